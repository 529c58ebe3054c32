#include "servicos/comandos.hpp"

namespace servicos {

// Placeholder until the command runner lands.
std::int32_t executar_comando(std::string_view) { return -1; }
int razao_ultima_falha() { return 0; }

}  // namespace servicos
