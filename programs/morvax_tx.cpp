// morvax-tx: the companion build (compile definition MORVAX_BUILD_TX), with
// the human-games book, the query commands and the move advice.
#include "companion/tx_engine.h"

int main(int argc, char** argv) { return main_tx(argc, argv); }
