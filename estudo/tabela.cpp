#include "tabela.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace estudo {

namespace {

std::string nao_finito(double valor) {
    if (std::isnan(valor)) return "nan";
    return valor > 0 ? "inf" : "-inf";
}

std::string com_formato(const char* formato, int casas, double valor) {
    if (!std::isfinite(valor)) return nao_finito(valor);
    char texto[64];
    std::snprintf(texto, sizeof texto, formato, casas, valor);
    return texto;
}

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string campo_csv(std::string_view texto) {
    if (texto.find_first_of(",\"\n\r") == std::string_view::npos) return std::string(texto);
    std::string campo = "\"";
    for (char c : texto) {
        if (c == '"') campo += '"';
        campo += c;
    }
    campo += '"';
    return campo;
}

}  // namespace

Celula celula_real(double valor, int casas) {
    // 17 significant digits give back the same double.
    return {com_formato("%.*e", casas, valor), com_formato("%.*g", 17, valor)};
}

Celula celula_inteiro(std::int64_t valor) {
    std::string texto = std::to_string(valor);
    return {texto, texto};
}

Celula celula_texto(std::string_view texto) { return {std::string(texto), std::string(texto)}; }

void Tabela::coluna(std::string_view cabecalho, std::size_t largura, bool a_esquerda, std::string_view no_csv,
                    bool so_no_csv) {
    colunas_.push_back(
        {std::string(cabecalho), largura, a_esquerda, std::string(no_csv.empty() ? cabecalho : no_csv), so_no_csv});
}

void Tabela::nota(std::string_view texto) {
    notas_ += texto;
    notas_ += '\n';
}

void Tabela::linha(std::vector<Celula> celulas) {
    celulas.resize(colunas_.size());
    linhas_.push_back(std::move(celulas));
}

std::string Tabela::texto() const {
    // Every column is as wide as its widest cell, and at least its width.
    std::vector<std::size_t> larguras;
    for (const Coluna& c : colunas_) larguras.push_back(std::max(c.largura, colunas(c.cabecalho)));
    for (const auto& linha : linhas_)
        for (std::size_t j = 0; j < linha.size(); ++j) larguras[j] = std::max(larguras[j], colunas(linha[j].texto));
    auto alinhar = [&](std::size_t j, std::string_view texto) {
        return colunas_[j].a_esquerda ? esquerda(texto, larguras[j]) : direita(texto, larguras[j]);
    };
    std::string texto = titulo_.empty() ? std::string() : juntar(titulo_, "\n");
    bool primeira = true;
    for (std::size_t j = 0; j < colunas_.size(); ++j) {
        if (colunas_[j].so_no_csv) continue;
        texto += primeira ? "" : "  ";
        texto += alinhar(j, colunas_[j].cabecalho);
        primeira = false;
    }
    texto += '\n';
    for (const auto& linha : linhas_) {
        primeira = true;
        for (std::size_t j = 0; j < linha.size(); ++j) {
            if (colunas_[j].so_no_csv) continue;
            texto += primeira ? "" : "  ";
            texto += alinhar(j, linha[j].texto);
            primeira = false;
        }
        texto += '\n';
    }
    return juntar(texto, notas_);
}

std::string Tabela::csv() const {
    std::string texto;
    for (std::size_t j = 0; j < colunas_.size(); ++j) {
        if (j > 0) texto += ',';
        texto += campo_csv(colunas_[j].no_csv);
    }
    texto += '\n';
    for (const auto& linha : linhas_) {
        for (std::size_t j = 0; j < linha.size(); ++j) {
            if (j > 0) texto += ',';
            texto += campo_csv(linha[j].csv);
        }
        texto += '\n';
    }
    return texto;
}

std::string duracao(double segundos) {
    char texto[32];
    if (segundos < 1e-3)
        std::snprintf(texto, sizeof texto, "%.0f µs", segundos * 1e6);
    else if (segundos < 1.0)
        std::snprintf(texto, sizeof texto, "%.0f ms", segundos * 1e3);
    else if (segundos < 120.0)
        std::snprintf(texto, sizeof texto, "%.1f s", segundos);
    else
        std::snprintf(texto, sizeof texto, "%.1f min", segundos / 60.0);
    return texto;
}

std::size_t colunas(std::string_view texto) {
    std::size_t total = 0;
    for (char c : texto) total += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return total;
}

namespace {

// One line of text (no line end) broken as quebrar says.
void quebrar_linha(std::string_view linha, std::string_view recuo, std::size_t largura, std::string& texto) {
    std::size_t usadas = 0;
    bool primeira_palavra = true;
    while (!linha.empty()) {
        const std::size_t fim = linha.find(' ');
        const std::string_view palavra = linha.substr(0, fim);
        const std::size_t mais = colunas(palavra) + (primeira_palavra ? 0 : 1);
        if (!primeira_palavra && usadas + mais > largura) {
            texto += '\n';
            texto += recuo;
            usadas = colunas(recuo);
            primeira_palavra = true;
            continue;
        }
        if (!primeira_palavra) texto += ' ';
        texto += palavra;
        usadas += mais;
        primeira_palavra = false;
        if (fim == std::string_view::npos) break;
        linha.remove_prefix(fim + 1);
    }
}

}  // namespace

std::string quebrar(std::string_view texto, std::string_view recuo, std::size_t largura) {
    std::string resultado;
    for (;;) {
        const std::size_t fim = texto.find('\n');
        quebrar_linha(texto.substr(0, fim), recuo, largura, resultado);
        if (fim == std::string_view::npos) return resultado;
        resultado += '\n';
        texto.remove_prefix(fim + 1);
    }
}

std::string direita(std::string_view texto, std::size_t largura) {
    const std::size_t usadas = colunas(texto);
    std::string linha(largura > usadas ? largura - usadas : 0, ' ');
    linha += texto;
    return linha;
}

std::string esquerda(std::string_view texto, std::size_t largura) {
    const std::size_t usadas = colunas(texto);
    std::string linha(texto);
    linha.append(largura > usadas ? largura - usadas : 0, ' ');
    return linha;
}

}  // namespace estudo
