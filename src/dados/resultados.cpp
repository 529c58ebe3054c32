#include "dados/dados.hpp"

namespace dados {

void resultados() {}

}  // namespace dados
