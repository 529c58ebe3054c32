// A program started with its standard streams closed must not let its own
// files take their descriptors: a report meant for the console would then be
// written into the input file or a result file.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "execucao.hpp"

namespace e2e {
namespace {

// Runs the program in `pasta` with the standard descriptors in `fechar` closed
// and the others on the null device.
int rodar_sem_fluxos(const fs::path& pasta, const fs::path& registro, std::initializer_list<int> fechar) {
    const std::string comspec = "COMSPEC=" + interpretador.string(), log = "DIFUSAO_REGISTRO=" + registro.string();
    const pid_t filho = ::fork();
    if (filho == 0) {
        if (::chdir(pasta.c_str()) != 0) ::_exit(126);
        for (int d = 0; d <= 2; ++d) ::dup2(::open("/dev/null", O_RDWR), d);
        for (int d : fechar) ::close(d);
        std::string programa_texto = programa.string();
        char* argv[] = {programa_texto.data(), nullptr};
        std::string c = comspec, l = log;
        char* envp[] = {c.data(), l.data(), nullptr};
        ::execve(argv[0], argv, envp);
        ::_exit(127);
    }
    int estado = 0;
    while (::waitpid(filho, &estado, 0) < 0) {
    }
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
}

TEST_F(Execucao, FluxosPadraoFechadosNaoRecebemArquivos) {
    entrada(entrada_pequena);
    ASSERT_EQ(rodar().status, 0);
    const std::string listagem = conteudo("pequeno.txt");

    for (const auto fechar : {std::initializer_list<int>{2}, {1, 2}, {0, 1, 2}}) {
        SCOPED_TRACE(fechar.size());
        // Nine values: the read report must go nowhere, not into the input file.
        const std::string nove_valores = "pequeno.txt\n1\n3\n1\n1\n100\n1\n1\n1\n";
        entrada(nove_valores);
        EXPECT_EQ(rodar_sem_fluxos(pasta.caminho(), registro(), fechar), 1);
        EXPECT_EQ(conteudo("entradas_geral.ent"), nove_valores);
        EXPECT_EQ(conteudo("pequeno.txt"), listagem);

        // A complete run with closed streams writes exactly the usual files.
        entrada(entrada_pequena);
        EXPECT_EQ(rodar_sem_fluxos(pasta.caminho(), registro(), fechar), 0);
        EXPECT_EQ(conteudo("pequeno.txt"), listagem);
        EXPECT_EQ(conteudo("entradas_geral.ent"), entrada_pequena);
    }
}

}  // namespace
}  // namespace e2e
#endif
