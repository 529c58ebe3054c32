// The start of a run. It lives apart from the report service, which knows the
// units only through the clean-up registered here.
#include "servicos/execucao.hpp"

#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"
#include "servicos/unidades/conjunto.hpp"
#include "servicos/unidades/unidades.hpp"

namespace servicos {

void iniciar_execucao(int argc, char** argv) {
    plataforma::garantir_fluxos_padrao();
    unidades::definir_argumentos(argc, argv);
    erros::registrar_limpeza(&unidades::fechar_todas_unidades);
    plataforma::preparar_sinais(&unidades::descartar_conjunto);
    plataforma::armar_armadilhas_ponto_flutuante(&erros::relatar_armadilha);
}

}  // namespace servicos
