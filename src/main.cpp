// Process entry: start-up of the run-time, the run, the final clean-up.
#include <exception>
#include <new>

#include "principal.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/erros/mensagens.hpp"
#include "servicos/execucao.hpp"

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    int status = 0;
    try {
        status = principal::_main(argc, argv, nullptr);
    } catch (const std::bad_alloc&) {
        servicos::relatar_erro(servicos::mensagem::memoria_insuficiente, servicos::TipoInstrucao::sem_rotulo);
    }
    servicos::encerrar_programa(status);
}
