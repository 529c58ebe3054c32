// The inputs that the browser tests type or load, shared with the stand-in
// modules that replay the native programs on them.
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";

const raiz = fileURLToPath(new URL("../../", import.meta.url));
export const golden = `${raiz}tests/dados/golden`;
const ler = (caminho) => readFileSync(caminho, "latin1");

export const exemplo = ler(`${raiz}exemplo/entradas_geral.ent`);

// Line 7 with a decimal comma: theta reads as 0.
export const virgula = exemplo.replace("0.5      theta", "0,5      theta");
// Nine values: the tenth read meets the end of the file (F6501).
export const nove = exemplo.split("\n").slice(0, 9).join("\n") + "\n";
// The explicit scheme past its bound, growing by decades (its listing is a golden file).
export const explicitoPar = ler(`${golden}/explicito_par/entradas_geral.ent`);
// One node: dx = Lx/0 traps (M6103).
export const semNos = exemplo.replace("21       nos", "1        nos");
export const pequeno = ler(`${golden}/pequeno/entradas_geral.ent`);
// The same case with free text in Windows-1252 beyond ASCII: the same results.
export const pequenoComAcentos = pequeno.replace("\n100\n", "\n100     temperatura máxima [ºC]\n");
// 10^4 nodes and 10^4 steps: 10^8 node-steps, estimated and confirmed before it runs.
export const grande = exemplo.replace("21       nos", "10001    nos").replace("600      intervalos", "10000    intervalos");

// What the page asks of each input.
export const avisos = ["--explicar", "--avisos"];
export const estimativa = ["--explicar"];
export const titulo = ["--explicar", "--titulo"];
export const pedidos = [
    ...[exemplo, virgula, nove, semNos, explicitoPar, pequeno, pequenoComAcentos, grande].flatMap((entrada) => [
        { programa: "estudo", argumentos: avisos, entrada },
        { programa: "estudo", argumentos: estimativa, entrada },
        { programa: "estudo", argumentos: titulo, entrada },
    ]),
    ...[exemplo, virgula, nove, semNos, explicitoPar, pequeno, pequenoComAcentos].map((entrada) => ({ programa: "difusao", argumentos: [], entrada })),
    ...[[], ["--comparar"], ["--mapa"]].map((argumentos) => ({ programa: "estudo", argumentos, entrada: exemplo })),
];
