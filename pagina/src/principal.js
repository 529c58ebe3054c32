// The page: the input file edited as text and checked as the student types,
// the program run in a Web Worker, its listing, files and plots, the study,
// and the case carried in the page's link.
import codigoDoTrabalhador from "construcao:trabalhador";
import exemplo from "construcao:exemplo";
import { explicacaoDaFalha, lerAvisos } from "./avisos.js";
import { descreverCaso, lerBlocos, lerEco, lerHistoria, textoDaListagem } from "./dados.js";
import { aquecer, baixar, desenhar, descartar, opcaoComparacao, opcaoHistoria, opcaoMapa, opcoesConvergencia } from "./graficos.js";
import { casoDoFragmento, codificar1252, comFimDeLinha, decodificar1252, fimDeLinha, linkDoCaso } from "./texto.js";

const $ = (seletor) => document.querySelector(seletor);
// Milliseconds from the start of the navigation, for the performance figures.
const medidas = (window.medidas = { codigo: performance.now() });

// Above this many node-steps a run is estimated first and asked for.
const nosPassosSemPerguntar = 2e7;
const arquivoEntrada = "entradas_geral.ent";
const avisosQuietos = ["--explicar", "--avisos"];

// --- Workers ---------------------------------------------------------------

const urlDoTrabalhador = URL.createObjectURL(new Blob([codigoDoTrabalhador], { type: "text/javascript" }));

// One worker and the runs asked of it, one at a time. Stopping a run
// terminates the worker and starts a new one.
class Executor {
    constructor() {
        this.proximo = 0;
        this.pendentes = new Map();
        this.iniciar();
    }

    iniciar() {
        this.trabalhador = new Worker(urlDoTrabalhador);
        this.pronto = new Promise((pronto, falhou) => {
            this.aoPronto = pronto;
            this.aoFalhar = falhou;
        });
        this.trabalhador.onmessage = ({ data }) => this.receber(data);
        this.trabalhador.onerror = (e) => this.aoFalhar(new Error(e.message));
    }

    receber(mensagem) {
        if (mensagem.tipo === "pronto") return this.aoPronto();
        const pedido = this.pendentes.get(mensagem.id);
        if (!pedido) return this.aoFalhar(new Error(mensagem.mensagem));
        if (mensagem.tipo === "progresso") pedido.aoProgresso?.(mensagem.feitos, mensagem.total);
        else if (mensagem.tipo === "texto") pedido.aoTexto?.(mensagem.fluxo, mensagem.texto);
        else {
            this.pendentes.delete(mensagem.id);
            if (mensagem.tipo === "fim") pedido.resolver(mensagem.resultado);
            else pedido.rejeitar(new Error(mensagem.mensagem));
        }
    }

    async executar(programa, argumentos, arquivos, retornos = {}) {
        await this.pronto;
        const id = ++this.proximo;
        return new Promise((resolver, rejeitar) => {
            this.pendentes.set(id, { resolver, rejeitar, ...retornos });
            this.trabalhador.postMessage({ id, programa, argumentos, arquivos });
        });
    }

    parar() {
        this.trabalhador.terminate();
        for (const pedido of this.pendentes.values()) pedido.rejeitar(parada());
        this.pendentes.clear();
        this.iniciar();
    }
}

// The runs of the two programs, which the student may stop; the explainer,
// which answers while the student types; the estimate of a run, made in the
// background as soon as a text has been checked (the explainer's full form
// times a short run, which takes a good part of a second).
const corridas = new Executor();
const explicador = new Executor();
const estimador = new Executor();

// --- The input -------------------------------------------------------------

const texto = $("#texto");
const entrada = {
    // The bytes of an opened file, run and saved as they are until the text
    // is edited (a text area would turn a lone CR into a line end).
    originais: null,
    fim: "\n",
    bytes() {
        return this.originais ?? codificar1252(comFimDeLinha(texto.value, this.fim)).bytes;
    },
    arquivos() {
        return { [arquivoEntrada]: this.bytes() };
    },
};

function mostrarTexto(novo, { originais = null, fim = "\n" } = {}) {
    texto.value = novo;
    entrada.originais = originais;
    entrada.fim = fim;
    aoEditar({ editado: false });
}

function numerarLinhas(marcadas) {
    const total = texto.value.split("\n").length;
    const numeros = $("#numeros");
    numeros.replaceChildren(...Array.from({ length: Math.max(total, 10) }, (_, j) => {
        const span = document.createElement("span");
        span.textContent = `${j + 1}\n`;
        if (marcadas.has(j + 1)) span.className = "marcada";
        return span;
    }));
    numeros.scrollTop = texto.scrollTop;
}

function selecionarLinha(linha) {
    const linhas = texto.value.split("\n");
    const inicio = linhas.slice(0, linha - 1).reduce((n, l) => n + l.length + 1, 0);
    texto.focus();
    texto.setSelectionRange(inicio, inicio + (linhas[linha - 1] ?? "").length);
}

// The explainer's warnings, each at its lines: marked beside the text and
// listed under it.
function mostrarAvisos(avisos, estado) {
    const lista = $("#avisos");
    const marcadas = new Set(avisos.flatMap((a) => a.linhas));
    numerarLinhas(marcadas);
    const itens = avisos.map((aviso) => {
        const li = document.createElement("li");
        const onde = aviso.linhas.length === 0 ? "" : aviso.linhas.length === 1
            ? `linha ${aviso.linhas[0]}: ` : `linhas ${aviso.linhas.join(", ")}: `;
        li.textContent = onde + aviso.texto;
        li.dataset.linhas = aviso.linhas.join(" ");
        if (aviso.linhas.length > 0) li.addEventListener("click", () => selecionarLinha(aviso.linhas[0]));
        return li;
    });
    const fora = codificar1252(texto.value).fora;
    if (fora.length > 0) {
        const li = document.createElement("li");
        li.textContent = `caracteres que o Windows-1252 não tem (${[...new Set(fora)].join(" ")}): o arquivo os grava como "?"`;
        itens.push(li);
    }
    if (itens.length === 0 && estado === 0) {
        const li = Object.assign(document.createElement("li"), { className: "ok", textContent: "nenhum aviso: o arquivo lê como se espera" });
        itens.push(li);
    }
    lista.replaceChildren(...itens);
    lista.dataset.estado = String(estado);
}

// The check of the text now in the editor; one at a time, the latest text
// winning. Resolves with the quiet form's status and output.
let conferencia = null;
let conferirDeNovo = false;
const ultimaConferencia = { bytes: null, estado: null, saida: "" };

const mesmosBytes = (a, b) => a && b && a.length === b.length && a.every((v, j) => v === b[j]);

async function conferir() {
    if (conferencia) {
        conferirDeNovo = true;
        return conferencia;
    }
    conferencia = (async () => {
        do {
            conferirDeNovo = false;
            const bytes = entrada.bytes();
            try {
                const r = await explicador.executar("estudo", avisosQuietos, { [arquivoEntrada]: bytes });
                const saida = new TextDecoder().decode(r.saida);
                Object.assign(ultimaConferencia, { bytes, estado: r.estado, saida });
                if (!conferirDeNovo) {
                    mostrarAvisos(lerAvisos(saida), r.estado);
                    estimar(bytes).catch(() => {});
                }
            } catch (erro) {
                Object.assign(ultimaConferencia, { bytes, estado: null, saida: "" });
                mostrarAvisos([{ linhas: [], texto: `a conferência falhou: ${erro.message}` }], null);
            }
        } while (conferirDeNovo);
        conferencia = null;
        return ultimaConferencia;
    })();
    return conferencia;
}

async function conferenciaDe(bytes) {
    if (mesmosBytes(ultimaConferencia.bytes, bytes) && !conferencia) return ultimaConferencia;
    return conferir();
}

let espera = null;
function aoEditar({ editado = true } = {}) {
    if (editado) entrada.originais = null;
    numerarLinhas(new Set());
    $("#link").value = linkDoCaso(location.href, texto.value);
    clearTimeout(espera);
    espera = setTimeout(conferir, editado ? 150 : 0);
}

texto.addEventListener("input", () => aoEditar());
texto.addEventListener("scroll", () => { $("#numeros").scrollTop = texto.scrollTop; });

$("#abrir").addEventListener("change", async (e) => {
    const arquivo = e.target.files[0];
    if (!arquivo) return;
    const bytes = new Uint8Array(await arquivo.arrayBuffer());
    mostrarTexto(decodificar1252(bytes), { originais: bytes, fim: fimDeLinha(bytes) });
    e.target.value = "";
});
$("#salvar").addEventListener("click", () => baixar(arquivoEntrada, new Blob([entrada.bytes()], { type: "application/octet-stream" })));
$("#restaurar").addEventListener("click", () => mostrarTexto(exemplo));
$("#copiar").addEventListener("click", async () => {
    $("#link").select();
    try {
        await navigator.clipboard.writeText($("#link").value);
        situacao("link copiado");
    } catch {
        situacao("selecione o link e copie com Ctrl+C");
    }
});

// --- Runs ------------------------------------------------------------------

function situacao(mensagem, fase) {
    $("#situacao").textContent = mensagem;
    if (fase) document.body.dataset.fase = fase;
}

function emCorrida(sim) {
    if (!sim) corridaAtual++;
    $("#rodar").disabled = sim;
    for (const b of document.querySelectorAll("[data-estudo]")) b.disabled = sim;
    $("#parar").disabled = !sim;
    const barra = $("#progresso");
    barra.hidden = !sim;
    barra.removeAttribute("value");
}

// Progress from the time loop, drawn at most once a frame while the run lasts.
let corridaAtual = 0;
function progressoNaBarra() {
    const corrida = ++corridaAtual;
    let ultimo = null;
    let pedido = false;
    return (feitos, total) => {
        ultimo = [feitos, total];
        if (pedido) return;
        pedido = true;
        requestAnimationFrame(() => {
            pedido = false;
            if (corrida !== corridaAtual) return;
            const [f, t] = ultimo;
            const barra = $("#progresso");
            barra.max = t > 0 ? t : 1;
            barra.value = f;
            situacao(`calculando… ${t > 0 ? Math.floor((100 * f) / t) : 0} %`);
        });
    };
}

// The estimate of the explainer's full form ("Estimativa da corrida: Nx·Nt
// = 1.26e+04 nós-passo" and the memory, time and size under it) when the
// run is large, null when it is not; one per text, kept for the latest texts.
const estimativas = new Map();
// A text's key: its bytes one character each (the decoder maps all 256 bytes
// to distinct characters), for an input of any size: spread into arguments,
// a large file's bytes would exceed the engine's limit and throw.
const comoChave = (bytes) => new TextDecoder("latin1").decode(bytes);
function estimar(bytes) {
    const chave = comoChave(bytes);
    if (!estimativas.has(chave)) {
        if (estimativas.size >= 16) estimativas.delete(estimativas.keys().next().value);
        estimativas.set(chave, estimador.executar("estudo", ["--explicar"], { [arquivoEntrada]: bytes }).then((r) => {
            const saida = new TextDecoder().decode(r.saida);
            const nosPassos = saida.match(/Nx·Nt = ([0-9.e+-]+) nós-passo/);
            if (!nosPassos || Number(nosPassos[1]) <= nosPassosSemPerguntar) return null;
            return saida.slice(saida.indexOf("Estimativa da corrida")).split("\n\n")[0];
        }));
    }
    return estimativas.get(chave);
}

function perguntar(estimativa) {
    const dialogo = $("#confirmar");
    $("#estimativa").textContent = estimativa;
    document.body.dataset.fase = "perguntando";
    return new Promise((resposta) => {
        dialogo.addEventListener("close", () => resposta(dialogo.returnValue === "sim"), { once: true });
        dialogo.showModal();
    });
}

const nomesDosDados = ["temp_media.txt", "temp_meio.txt"];

// The listing is the file that is neither the input nor a data file; the
// program names it in its second command ("notepad <listagem>") when it is
// one of those.
function nomeDaListagem(resultado) {
    const outros = Object.keys(resultado.arquivos).filter((n) => n !== arquivoEntrada && !nomesDosDados.includes(n));
    if (outros.length === 1) return outros[0];
    const comando = resultado.comandos.find((c, j) => j > 0 && c.startsWith("notepad "));
    return comando ? comando.slice("notepad ".length).replace(/^'(.*)'$/, "$1") : outros[0];
}

// The study's stability verdict for the plots' titles, its lines as it
// writes them; "" where the study gives none (the title then works it out).
function vereditoDoEstudo(bytes) {
    return estimador.executar("estudo", ["--explicar", "--titulo"], { [arquivoEntrada]: bytes }).then(
        (r) => (r.estado === 0 ? decodificarSaida(r.saida).trimEnd() : ""), () => "");
}

function mostrarSucesso(resultado, veredito) {
    const nome = nomeDaListagem(resultado);
    const listagem = textoDaListagem(resultado.arquivos[nome]);
    const baixados = $("#baixar");
    baixados.replaceChildren(...[nome, ...nomesDosDados].map((n) => {
        const b = Object.assign(document.createElement("button"), { textContent: `Baixar ${n}` });
        b.dataset.arquivo = n;
        b.addEventListener("click", () => baixar(n, new Blob([resultado.arquivos[n]], { type: "application/octet-stream" })));
        return b;
    }));
    $("#listagem").textContent = listagem.texto;
    // Shown before the plots are drawn, so that they are drawn once, at their size.
    $("#falha").hidden = true;
    $("#sucesso").hidden = false;
    const caso = descreverCaso(lerEco(listagem.cabeca), veredito).texto;
    const graficos = $("#graficos");
    descartar(graficos);
    desenhar(graficos, "temp_media", opcaoHistoria({
        grandeza: "Temperatura média da placa", rotuloY: "temperatura média [°C]",
        rotuloNumerica: "numérica: média dos nós pela regra dos trapézios", rotuloExata: "exata: média da solução de um termo",
        caso, historia: lerHistoria(decodificar1252(resultado.arquivos["temp_media.txt"])),
    }));
    desenhar(graficos, "temp_meio", opcaoHistoria({
        grandeza: "Temperatura no meio do domínio", rotuloY: "temperatura no nó do meio [°C]",
        rotuloNumerica: "numérica: nó do meio, (Nx + 1)/2", rotuloExata: "exata: solução de um termo no mesmo nó",
        caso, historia: lerHistoria(decodificar1252(resultado.arquivos["temp_meio.txt"])),
    }));
}

async function mostrarFalha(resultado, bytes) {
    $("#status").textContent = String(resultado.estado);
    const relatorio = decodificar1252(resultado.erro);
    $("#relatorio").textContent = relatorio.replace(/\r\n/g, "\n").replace(/^\n/, "");
    const { saida } = await conferenciaDe(bytes);
    $("#explicacao").textContent = explicacaoDaFalha(relatorio, saida).join("\n");
    $("#explicacao").hidden = $("#explicacao").textContent === "";
    descartar($("#graficos"));
    $("#baixar").replaceChildren();
    $("#sucesso").hidden = true;
    $("#falha").hidden = false;
}

// Set by Parar: a stop asked while the run is being estimated, before its
// worker has it.
let pararAntes = false;
const parada = () => Object.assign(new Error("parada"), { parada: true });

async function rodar() {
    const bytes = entrada.bytes();
    const arquivos = { [arquivoEntrada]: bytes };
    emCorrida(true);
    pararAntes = false;
    try {
        situacao("estimando a corrida…", "estimando");
        medidas.corrida = performance.now();
        const estimativa = await estimar(bytes);
        if (pararAntes) throw parada();
        if (estimativa && !(await perguntar(estimativa))) {
            situacao("corrida não iniciada", "pronta");
            return;
        }
        // The results shown are those of the text that was run: a new run
        // takes them away until it ends.
        $("#resultado").hidden = true;
        situacao("calculando…", "rodando");
        medidas.estimada = performance.now() - medidas.corrida;
        const veredito = vereditoDoEstudo(bytes);
        const resultado = await corridas.executar("difusao", [], arquivos, { aoProgresso: progressoNaBarra() });
        medidas.calculada = performance.now() - medidas.corrida;
        $("#resultado").hidden = false;
        if (resultado.estado === 0) {
            mostrarSucesso(resultado, await veredito);
            situacao("pronto: listagem, arquivos e gráficos abaixo", "sucesso");
        } else {
            await mostrarFalha(resultado, bytes);
            situacao(`o programa parou com um relatório (status ${resultado.estado})`, "falha");
        }
        medidas.corridaComGraficos = performance.now() - medidas.corrida;
    } catch (erro) {
        if (erro.parada) situacao("corrida interrompida", "parada");
        else situacao(`o programa não terminou: ${erro.message}`, "erro");
    } finally {
        emCorrida(false);
    }
}

$("#rodar").addEventListener("click", rodar);
$("#parar").addEventListener("click", () => {
    pararAntes = true;
    corridas.parar();
});

// --- The study --------------------------------------------------------------

const estudos = {
    convergencia: { argumentos: [], arquivo: "convergencia.txt", graficos: (b) => opcoesConvergencia(b).map((o, j) => [["convergencia_dx", "convergencia_dt"][j], o]) },
    comparar: { argumentos: ["--comparar"], arquivo: "comparacao_esquemas.txt", graficos: (b) => [["comparacao_esquemas", opcaoComparacao(b)]] },
    mapa: { argumentos: ["--mapa"], arquivo: "mapa.txt", graficos: (b) => [["mapa", opcaoMapa(b)]] },
};

// The study's output is UTF-8; the program's own report in it, Windows-1252.
function decodificarSaida(bytes) {
    try {
        return new TextDecoder("utf-8", { fatal: true }).decode(bytes);
    } catch {
        return decodificar1252(bytes);
    }
}

async function estudar(modo) {
    const { argumentos, arquivo, graficos } = estudos[modo];
    const saida = $("#estudo-saida");
    const pai = $("#estudo-graficos");
    descartar(pai);
    saida.textContent = "";
    $("#estudo-resultado").hidden = false;
    emCorrida(true);
    situacao(`estudo_convergencia ${argumentos.join(" ")}…`, "estudando");
    try {
        const r = await corridas.executar("estudo", argumentos, entrada.arquivos(), {
            aoTexto: (fluxo, linha) => { if (fluxo === "erro") situacao(linha); },
        });
        saida.textContent = [decodificarSaida(r.saida), decodificarSaida(r.erro)].filter((t) => t !== "").join("\n");
        if (r.estado === 0 && r.arquivos[arquivo]) {
            const blocos = lerBlocos(new TextDecoder().decode(r.arquivos[arquivo]));
            for (const [nome, opcao] of graficos(blocos)) desenhar(pai, nome, opcao);
            situacao("estudo pronto", "estudo-pronto");
        } else {
            situacao(`o estudo parou (status ${r.estado})`, "estudo-falha");
        }
        pai.dataset.modo = modo;
    } catch (erro) {
        if (erro.parada) situacao("estudo interrompido", "parada");
        else situacao(`o estudo não terminou: ${erro.message}`, "erro");
    } finally {
        emCorrida(false);
    }
}

for (const botao of document.querySelectorAll("[data-estudo]")) botao.addEventListener("click", () => estudar(botao.dataset.estudo));

// --- Start -------------------------------------------------------------------

// A case in the link is shown, checked and run; one that does not decode, or
// that the program could not read to its tenth value, is shown with its
// warnings and left for the student to correct.
async function rodarDoLink(doLink) {
    const conferida = await conferir();
    if (doLink.erro) {
        situacao(`${doLink.erro}: o texto do link está no editor, sem rodar`, "link-invalido");
    } else if (conferida.estado === 1) {
        situacao("o caso do link não pode ser lido até o fim: veja os avisos, corrija e rode", "link-invalido");
    } else {
        await rodar();
    }
}

async function iniciar() {
    const doLink = casoDoFragmento(location.hash);
    mostrarTexto(doLink ? doLink.texto : exemplo);
    await Promise.all([corridas.pronto, explicador.pronto]);
    await conferir();
    medidas.pronta = performance.now();
    situacao("pronto", "pronta");
    // A first run of the example, its results dropped, has the engine
    // optimise the module's code before the student's first run.
    // Its plot, drawn off screen, does the same for the drawing code.
    if (!doLink) {
        corridas.executar("difusao", [], { [arquivoEntrada]: codificar1252(exemplo).bytes }).then((r) => aquecer(opcaoHistoria({
            grandeza: "", rotuloY: "", rotuloNumerica: "", rotuloExata: "", caso: "",
            historia: lerHistoria(decodificar1252(r.arquivos["temp_media.txt"])),
        }))).catch(() => {});
    }
    if (doLink) await rodarDoLink(doLink);
}

// A link opened in the same tab changes only the fragment.
window.addEventListener("hashchange", () => {
    const doLink = casoDoFragmento(location.hash);
    if (!doLink || doLink.texto === texto.value) return;
    mostrarTexto(doLink.texto);
    rodarDoLink(doLink);
});

iniciar().catch((erro) => situacao(`a página não carregou o programa: ${erro.message}`, "erro"));
