// The explainer's quiet form (estudo_convergencia --explicar --avisos) prints
// one warning a line, each starting with where it is:
//   "entradas_geral.ent, linha 7: ...", "entradas_geral.ent, linhas 2 a 5 e 8 a 10: ...",
//   "entradas_geral.ent: ..."
// Here those lines become { linhas, texto } so that each warning is shown at
// its lines of the editor.

const arquivo = "entradas_geral.ent";

// "7" -> [7]; "2 a 5" -> [2, 3, 4, 5].
function faixa(parte) {
    const [inicio, fim] = parte.split(" a ").map(Number);
    if (fim === undefined) return [inicio];
    const linhas = [];
    for (let l = inicio; l <= fim; l++) linhas.push(l);
    return linhas;
}

// "linha 7" / "linhas 3 e 5" / "linhas 2, 4 a 6 e 9" -> the line numbers.
function linhasNomeadas(onde) {
    const lista = onde.replace(/^linhas? /, "");
    return lista.split(/, | e /).flatMap(faixa);
}

export function lerAvisos(saida) {
    const avisos = [];
    for (const linha of saida.split("\n")) {
        if (linha.trim() === "") continue;
        const onde = linha.match(/^entradas_geral\.ent, (linhas? [0-9][0-9 ,ae]*): /);
        if (onde) {
            avisos.push({ linhas: linhasNomeadas(onde[1]), texto: linha.slice(onde[0].length) });
        } else if (linha.startsWith(arquivo + ": ")) {
            avisos.push({ linhas: [], texto: linha.slice(arquivo.length + 2) });
        } else if (avisos.length > 0) {
            avisos[avisos.length - 1].texto += "\n" + linha;
        } else {
            avisos.push({ linhas: [], texto: linha });
        }
    }
    return avisos;
}

// What the launchers add to a failure report, in their words: where the
// read stopped, or, after an arithmetic fault, what the check of the data
// says. `avisos` is the quiet explainer's output for the same input.
export function explicacaoDaFalha(relatorio, avisos) {
    const recuados = avisos.trim() === "" ? null : avisos.trimEnd().split("\n").map((l) => "  " + l);
    if (/run-time error [FM][0-9]{4}: [^\r\n]*\(entradas_geral\.ent\)/.test(relatorio)) {
        return ["a leitura de entradas_geral.ent parou; a conferência dos dados diz:",
                ...(recuados ?? ["  nada: veja estudo_convergencia --explicar"])];
    }
    if (/run-time error M[0-9]{4}/.test(relatorio)) {
        return ["falha aritmética (M) no cálculo, valores que estouraram ou uma divisão por zero; a conferência dos dados diz:",
                ...(recuados ?? ["  nenhum aviso: F está dentro do limite de estabilidade do theta"])];
    }
    return [];
}
