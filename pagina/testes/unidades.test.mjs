// The page's pure functions: the bytes of the input, the case in a link, the
// explainer's warnings, the numbers of the result files.
import assert from "node:assert/strict";
import { test } from "node:test";
import { explicacaoDaFalha, lerAvisos } from "../src/avisos.js";
import { lerBlocos, lerCampo, textoDaListagem } from "../src/dados.js";
import { casoDoFragmento, codificar1252, decodificar1252, linkDoCaso } from "../src/texto.js";

// A fixed pseudo-random sequence, so that a failure repeats.
function aleatorio(semente) {
    let s = semente;
    return () => ((s = (s * 1103515245 + 12345) % 2 ** 31) / 2 ** 31);
}

test("every byte string survives the editor: decoded and encoded back, the same bytes; and so through a link", () => {
    const sorte = aleatorio(7);
    for (let caso = 0; caso < 200; caso++) {
        const bytes = Uint8Array.from({ length: Math.floor(sorte() * 300) }, () => Math.floor(sorte() * 256));
        const texto = decodificar1252(bytes);
        const volta = codificar1252(texto);
        assert.deepEqual(volta.fora, []);
        assert.deepEqual(volta.bytes, bytes);
        const link = linkDoCaso("file:///pagina/index.html#caso=antigo", texto);
        assert.equal(link.split("#").length, 2);
        assert.equal(casoDoFragmento("#" + link.split("#")[1]).texto, texto);
    }
});

test("a character outside Windows-1252 is written as ? and named", () => {
    assert.deepEqual(codificar1252("θ = 0.5"), { bytes: Uint8Array.from([0x3f, 32, 61, 32, 48, 46, 53]), fora: ["θ"] });
    assert.deepEqual(codificar1252("ºC").bytes, Uint8Array.from([0xba, 0x43]));
});

test("a fragment that does not decode is kept as text, marked, never lost", () => {
    for (const [fragmento, esperado] of [
        ["", null],
        ["#outra=1", null],
        ["#caso=", { texto: "" }],
        ["#caso=a%20b", { texto: "a b" }],
        ["#caso=%E0%A4%A", { texto: "%E0%A4%A", erro: "o link não é um texto codificado por cento válido" }],
    ]) assert.deepEqual(casoDoFragmento(fragmento), esperado, fragmento);
});

test("the explainer's quiet lines become warnings at their lines", () => {
    for (const [linha, linhas, texto] of [
        ["entradas_geral.ent, linha 7: AVISO x", [7], "AVISO x"],
        ["entradas_geral.ent, linhas 3 e 5: y: z", [3, 5], "y: z"],
        ["entradas_geral.ent, linhas 2 a 5 e 8 a 10: w", [2, 3, 4, 5, 8, 9, 10], "w"],
        ["entradas_geral.ent, linhas 2, 4 a 6 e 9: v", [2, 4, 5, 6, 9], "v"],
        ["entradas_geral.ent: não existe nesta pasta", [], "não existe nesta pasta"],
    ]) assert.deepEqual(lerAvisos(`${linha}\n`), [{ linhas, texto }], linha);
});

test("a failure is explained as the launchers explain it", () => {
    const leitura = "\r\nrun-time error F6501: READ(entradas_geral.ent)\r\n- end of file encountered\r\n";
    const aritmetica = "\r\nrun-time error M6104: MATH\r\n- floating-point error: overflow\r\n";
    const escrita = "\r\nrun-time error F6416: OPEN(x/l.txt)\r\n- file not found\r\n";
    for (const [relatorio, avisos, esperado] of [
        [leitura, "entradas_geral.ent, linha 10: falta cp\n",
         ["a leitura de entradas_geral.ent parou; a conferência dos dados diz:", "  entradas_geral.ent, linha 10: falta cp"]],
        [leitura, "", ["a leitura de entradas_geral.ent parou; a conferência dos dados diz:", "  nada: veja estudo_convergencia --explicar"]],
        [aritmetica, "", ["falha aritmética (M) no cálculo, valores que estouraram ou uma divisão por zero; a conferência dos dados diz:",
                          "  nenhum aviso: F está dentro do limite de estabilidade do theta"]],
        [escrita, "entradas_geral.ent, linha 1: z\n", []],
    ]) assert.deepEqual(explicacaoDaFalha(relatorio, avisos), esperado);
});

test("the fields of the result files read as the program wrote them", () => {
    for (const [campo, valor] of [
        ["    1.000000000000000E+00", 1],
        ["   -2.500000000000000E-03", -0.0025],
        ["    1.797693134862316+308", 1.797693134862316e308],
        ["    4.940656458412465-324", 4.940656458412465e-324],
        ["                    1#INF", NaN],
        ["                   -1#IND", NaN],
    ]) assert.equal(lerCampo(campo), valor, campo);
});

test("the study's data files split into their blocks", () => {
    const texto = "# cabeçalho\n1 2 3\n\n\n# (a)\n4 5\n6 7\n\n\n# (b)\n8 9\n";
    assert.deepEqual(lerBlocos(texto), [[[1, 2, 3]], [[4, 5], [6, 7]], [[8, 9]]]);
});

test("a long listing is shown by whole records of its head and tail, and says how many it leaves out", () => {
    for (const [linhas, limite] of [[10, 1000], [5000, 1000], [5000, 4096], [3, 10]]) {
        const registros = Array.from({ length: linhas }, (_, j) => `registro ${j} º`);
        const bytes = Uint8Array.from(Buffer.from(registros.map((r) => r + "\r\n").join(""), "latin1"));
        const { texto, cabeca } = textoDaListagem(bytes, limite);
        const mostradas = texto.replace(/\n$/, "").split("\n");
        const marca = mostradas.findIndex((l) => l.startsWith("… "));
        const inicio = marca < 0 ? mostradas : mostradas.slice(0, marca);
        const fim = marca < 0 ? [] : mostradas.slice(marca + 1);
        const fora = marca < 0 ? 0 : Number(mostradas[marca].split(" ")[1]);
        assert.deepEqual([inicio, fim, fora], [registros.slice(0, inicio.length), registros.slice(linhas - fim.length),
            linhas - inicio.length - fim.length], `${linhas} em ${limite}`);
        assert.equal(marca < 0, bytes.length <= limite);
        assert.ok(cabeca.startsWith("registro 0 º\r\n"));
    }
});
