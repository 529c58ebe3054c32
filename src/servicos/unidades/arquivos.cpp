// What both platform sides of the file calls share: the names of the
// program's own files.
#include "servicos/unidades/arquivos.hpp"

namespace servicos::unidades {

namespace {

char minuscula(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool iguais_sem_caixa(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t j = 0; j < a.size(); ++j)
        if (minuscula(a[j]) != minuscula(b[j])) return false;
    return true;
}

}  // namespace

// No process has the number 0: the digits of a record's place are never
// those of another file of the program.
std::string nome_diario(std::string_view trava, unsigned vaga) {
    return pasta_de(trava) + nome_temporario(0, vaga, Papel::diario);
}

bool nome_de_temporario(std::string_view nome) {
    const std::string_view base = nome.substr(pasta_de(nome).size());
    return base.size() >= prefixo_temporario.size() + sufixo_temporario.size() &&
           iguais_sem_caixa(base.substr(0, prefixo_temporario.size()), prefixo_temporario) &&
           iguais_sem_caixa(base.substr(base.size() - sufixo_temporario.size()), sufixo_temporario);
}

}  // namespace servicos::unidades
