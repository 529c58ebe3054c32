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
    definir_argumentos(argc, argv);
    registrar_limpeza(&fechar_todas_unidades);
    plataforma::preparar_sinais(&descartar_conjunto);
    plataforma::armar_armadilhas_ponto_flutuante(&relatar_armadilha);
}

}  // namespace servicos
