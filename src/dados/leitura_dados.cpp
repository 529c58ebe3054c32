#include "dados/dados.hpp"

namespace dados {

void leitura_dados() {}

}  // namespace dados
