// Process entry: start-up of the run-time, the run, the final clean-up.
#include "principal.hpp"

int main(int argc, char** argv) { principal::executar_processo(argc, argv); }
