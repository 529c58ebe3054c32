// What the end-to-end tests share: the real program run in a scratch folder,
// its command interpreter replaced by a logging stand-in (or the real one,
// with stand-ins for the editor and the plotter on PATH).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "processo.hpp"

namespace e2e {

namespace fs = std::filesystem;

#ifdef _WIN32
inline const std::string sufixo_executavel = ".exe";
#else
inline const std::string sufixo_executavel;
#endif

// The program under test: this build's, or another build's started by the
// program that DIFUSAO_PROGRAMA_SOB_TESTE names (a script that runs the
// WebAssembly program under node), for the tables of faults and their
// reports. Such a build records the command lines it would run instead of
// running them: the interpreter's log is then not looked at.
inline const char* const outro_programa = std::getenv("DIFUSAO_PROGRAMA_SOB_TESTE");
inline const fs::path programa = outro_programa ? fs::path(outro_programa) : fs::path(DIFUSAO_PROGRAMA);
inline const bool comandos_executados = outro_programa == nullptr;
inline const fs::path dados_teste = DIFUSAO_DADOS_TESTE;
inline const fs::path auxiliares = DIFUSAO_AUXILIARES;
inline const fs::path interpretador = auxiliares / ("interpretador_registro" + sufixo_executavel);
// The program with the way its results are written forced (first argument:
// depois_do_laco or durante_o_laco).
inline const fs::path escrita_forcada = auxiliares / ("escrita_forcada" + sufixo_executavel);

// The input of the golden case "pequeno": listing pequeno.txt, Nx = 3, Nt = 1.
inline const std::string entrada_pequena = "pequeno.txt\n1\n3\n1\n1\n100\n1\n1\n1\n1\n";

class Execucao : public ::testing::Test {
protected:
    suporte::PastaTemporaria pasta;
    suporte::PastaTemporaria fora;  // the command log lives outside the run's folder
    // Empty: the program as it is; else the way its results are written,
    // forced (escrita_forcada).
    std::string modo_de_escrita;

    fs::path registro() const { return fora / "comandos.txt"; }

    // The program and arguments of a run that gets `argumentos`.
    suporte::Execucao execucao(std::vector<std::string> argumentos,
                               std::map<std::string, std::optional<std::string>> ambiente,
                               std::optional<std::string> console, const fs::path& onde) const {
        if (modo_de_escrita.empty()) return {programa, std::move(argumentos), onde, std::move(ambiente), std::move(console)};
        argumentos.insert(argumentos.begin(), modo_de_escrita);
        return {escrita_forcada, std::move(argumentos), onde, std::move(ambiente), std::move(console)};
    }

    suporte::Resultado rodar(std::map<std::string, std::optional<std::string>> ambiente = {}) {
        ambiente.emplace("COMSPEC", interpretador.string());
        ambiente.emplace("DIFUSAO_REGISTRO", registro().string());
        return suporte::executar(execucao({}, ambiente, std::string(), pasta.caminho()));
    }

    void entrada(const std::string& texto) { suporte::escrever_arquivo(pasta / "entradas_geral.ent", texto); }
    std::string conteudo(const std::string& nome) const { return suporte::ler_arquivo(pasta / nome); }
};

// Through the real command interpreter: COMSPEC is removed, and stand-ins for
// the editor and the plotter, first on PATH, log what each was handed, a line
// per command. POSIX: a shell script, one bracketed argument each; Windows:
// copies of auxiliares/editor_registro.exe, the raw text after the name.
class ShellReal : public Execucao {
protected:
    suporte::PastaTemporaria bin;

    void SetUp() override {
#ifdef _WIN32
        for (const char* nome : {"notepad.exe", "wgnuplot.exe"})
            fs::copy_file(auxiliares / "editor_registro.exe", bin / nome);
#else
        const std::string registrar =
            "#!/bin/sh\nprintf '[%s]' \"$@\" >> \"$DIFUSAO_REGISTRO\"\necho >> \"$DIFUSAO_REGISTRO\"\n";
        for (const char* nome : {"notepad", "wgnuplot"}) {
            suporte::escrever_arquivo(bin / nome, registrar);
            fs::permissions(bin / nome, fs::perms::owner_all);
        }
#endif
    }
    suporte::Resultado rodar_no_shell(std::vector<std::string> argumentos = {}) {
#ifdef _WIN32
        constexpr char separador = ';';
#else
        constexpr char separador = ':';
#endif
        const std::string caminho =
            bin.caminho().string() + separador + (std::getenv("PATH") ? std::getenv("PATH") : "");
        return suporte::executar(
            {programa,
             std::move(argumentos),
             pasta.caminho(),
             {{"COMSPEC", std::nullopt}, {"PATH", caminho}, {"DIFUSAO_REGISTRO", registro().string()}},
             std::string()});
    }
};

}  // namespace e2e
