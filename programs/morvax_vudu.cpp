// morvax-vudu: the multi-threaded engine. The build configuration (compile
// definition MORVAX_BUILD_VUDU) is all that sets it apart from morvax-sp.
#include "uci/engine.h"

int main(int argc, char** argv) { return engine_main(argc, argv); }
