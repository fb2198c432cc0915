// morvax-sp: the single-threaded engine. The build configuration (compile
// definition MORVAX_BUILD_SP) is all that sets it apart from morvax-vudu.
#include "uci/engine.h"

int main(int argc, char** argv) { return engine_main(argc, argv); }
