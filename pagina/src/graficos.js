// The plots, drawn by ECharts: one library gives the interactive zoom, the
// logarithmic axes, the canvas on screen and the SVG renderer behind the
// picture downloads (PNG and SVG).
import * as echarts from "echarts/core";
import { LineChart, ScatterChart } from "echarts/charts";
import {
    DataZoomComponent, GridComponent, LegendComponent, MarkLineComponent, TitleComponent, ToolboxComponent,
    TooltipComponent,
} from "echarts/components";
import { CanvasRenderer, SVGRenderer } from "echarts/renderers";
import { precisaDeEixoComSinal, sinalLog } from "./dados.js";

echarts.use([LineChart, ScatterChart, DataZoomComponent, GridComponent, LegendComponent, MarkLineComponent,
    TitleComponent, ToolboxComponent, TooltipComponent, CanvasRenderer, SVGRenderer]);

const cores = { numerica: "#9400d3", exata: "#00a050", erro: "#dd181f", a: "#0060ad", b: "#dd181f", c: "#00a050" };
const sobrescritos = { "-": "⁻", 0: "⁰", 1: "¹", 2: "²", 3: "³", 4: "⁴", 5: "⁵", 6: "⁶", 7: "⁷", 8: "⁸", 9: "⁹" };
const potencia = (d) => `10${String(d).replace(/./g, (c) => sobrescritos[c] ?? c)}`;
const numero = (v) => (Number.isFinite(v) ? Number(v.toPrecision(6)).toString() : String(v));

// --- Axes -------------------------------------------------------------------

// A signed logarithmic axis, sgn(y)·log10(1 + |y|): the values are drawn
// transformed and labelled at whole decades.
function eixoComSinal(valores, marcas) {
    const transformados = valores.filter(Number.isFinite).map(sinalLog);
    const min = Math.floor(Math.min(0, ...transformados));
    const max = Math.ceil(Math.max(0, ...transformados));
    const passo = Math.max(1, Math.ceil((max - min) / marcas));
    return {
        min, max, interval: passo,
        axisLabel: { formatter: (v) => (v === 0 ? "0" : `${v < 0 ? "−" : ""}${potencia(Math.abs(v))}`) },
    };
}

// The axis of a panel (at most `marcas` decades labelled on a signed one)
// and the point of each value on it.
function eixoY(valores, referencia, nome, marcas) {
    const comum = { type: "value", name: nome, nameLocation: "middle", nameGap: 62, scale: true };
    if (precisaDeEixoComSinal(valores, referencia)) {
        return { eixo: { ...comum, ...eixoComSinal(valores, marcas) }, ponto: sinalLog, comSinal: true };
    }
    return { eixo: comum, ponto: (v) => v, comSinal: false };
}

const pares = (xs, ys, ponto) => xs.map((x, j) => [x, ponto(ys[j]), ys[j]]);
const marcas = (pontos) => pontos.filter((_, j) => j % Math.max(1, Math.floor(pontos.length / 30)) === 0);

const ferramentas = {
    right: 20,
    feature: { dataZoom: { title: { zoom: "ampliar uma região", back: "desfazer" } }, restore: { title: "ver tudo" } },
};

// The tooltip shows the values as computed, also on a signed axis.
const dica = {
    trigger: "axis",
    formatter: (itens) => [`t = ${numero(itens[0].data[0])} s`,
        ...itens.map((i) => `${i.marker}${i.seriesName}: ${numero(i.data[2])}`)].join("<br>"),
};

// --- The run's histories ------------------------------------------------------

// The history of one quantity, numerical against exact, and under it their
// difference (the listing's "Erro numérico"); the case in the title.
export function opcaoHistoria({ grandeza, rotuloY, rotuloNumerica, rotuloExata, caso, historia }) {
    const { t, numerica, exata } = historia;
    const erro = t.map((_, j) => exata[j] - numerica[j]);
    const cima = eixoY([...numerica, ...exata], exata, rotuloY, 8);
    const baixo = eixoY(erro, exata, "exata − numérica [°C]", 3);
    // The scale is named in the title: an axis name has no room for it.
    const escala = cima.comSinal || baixo.comSinal
        ? "\nescala logarítmica com sinal, sgn(T)·log10(1 + |T|): os valores crescem por décadas" : "";
    // The subtitle takes a line for each line of the case (the study's
    // verdict may take several) and of the scale: past two, the legend and
    // the top panel move down by a line each, the panel growing shorter, so
    // that the title never runs over the legend.
    const linhas = (caso + escala).split("\n").length;
    const topoDaLegenda = 62 + 16 * (linhas - 1);
    const topoDoPainel = Math.max(110, topoDaLegenda + 32);
    return {
        animation: false,
        title: { text: grandeza, subtext: caso + escala, left: "center", textStyle: { fontSize: 16 }, subtextStyle: { fontSize: 13, color: "#333", lineHeight: 18 } },
        legend: { top: topoDaLegenda },
        tooltip: dica,
        toolbox: ferramentas,
        dataZoom: [{ type: "inside", xAxisIndex: [0, 1] }, { type: "slider", xAxisIndex: [0, 1], bottom: 6, height: 18, showDataShadow: false }],
        grid: [{ left: 90, right: 30, top: topoDoPainel, height: 330 - topoDoPainel }, { left: 90, right: 30, top: 380, height: 100 }],
        xAxis: [
            { type: "value", gridIndex: 0, min: t[0], max: t[t.length - 1], axisLabel: { show: false } },
            { type: "value", gridIndex: 1, min: t[0], max: t[t.length - 1], name: "tempo [s]", nameLocation: "middle", nameGap: 28 },
        ],
        yAxis: [{ ...cima.eixo, gridIndex: 0 }, { ...baixo.eixo, gridIndex: 1 }],
        series: [
            { name: rotuloNumerica, type: "line", data: pares(t, numerica, cima.ponto), xAxisIndex: 0, yAxisIndex: 0,
              color: cores.numerica, lineStyle: { width: 2 }, symbol: "circle", symbolSize: 5, showAllSymbol: false,
              sampling: t.length > 5000 ? "lttb" : undefined, showSymbol: false },
            // About 30 marks on the numerical curve, whatever the number of
            // steps: a series of their own under the same name (the legend
            // shows and hides both), cheaper than a symbol on every point.
            { name: rotuloNumerica, type: "scatter", data: marcas(pares(t, numerica, cima.ponto)), xAxisIndex: 0, yAxisIndex: 0,
              color: cores.numerica, symbolSize: 6, silent: true, tooltip: { show: false } },
            { name: rotuloExata, type: "line", data: pares(t, exata, cima.ponto), xAxisIndex: 0, yAxisIndex: 0,
              color: cores.exata, lineStyle: { width: 2, type: "dashed" }, showSymbol: false,
              sampling: t.length > 5000 ? "lttb" : undefined },
            { name: "erro: exata − numérica, a coluna “Erro numérico” da listagem", type: "line",
              data: pares(t, erro, baixo.ponto), xAxisIndex: 1, yAxisIndex: 1, color: cores.erro, lineStyle: { width: 2 },
              showSymbol: false, sampling: t.length > 5000 ? "lttb" : undefined },
        ],
        comSinal: cima.comSinal || baixo.comSinal,
    };
}

// --- The study -----------------------------------------------------------------

const positivo = (v) => Number.isFinite(v) && v > 0;
const logLog = (nome) => ({ type: "log", name: nome, nameLocation: "middle", nameGap: 30, logBase: 10 });
const dicaDePonto = { trigger: "item", formatter: (i) => `${i.seriesName}<br>${numero(i.data[0])}, ${numero(i.data[1])}` };

function serie(nome, pontos, cor, tracejada = false, simbolo = "circle") {
    return { name: nome, type: "line", data: pontos, color: cor, symbol: simbolo, symbolSize: 8,
             lineStyle: { width: 2, type: tracejada ? "dashed" : "solid" } };
}

// A line of slope `ordem` through a point, across the x range: the order a
// refinement should show.
function reta(nome, xs, [x0, y0], ordem) {
    const pontos = [Math.min(...xs), Math.max(...xs)].map((x) => [x, y0 * (x / x0) ** ordem]);
    return { name: nome, type: "line", data: pontos, color: ordem === 2 ? "#666" : "#999", showSymbol: false,
             lineStyle: { width: 1, type: "dotted" } };
}

function base(titulo, subtitulo) {
    return {
        animation: false,
        title: { text: titulo, subtext: subtitulo, left: "center", textStyle: { fontSize: 15 }, subtextStyle: { fontSize: 12, color: "#333" } },
        legend: { top: 58, type: "scroll" },
        toolbox: ferramentas,
        tooltip: dicaDePonto,
        grid: { left: 90, right: 40, top: 110, bottom: 50 },
    };
}

// The case line of a study file (index 0: theta, Nx, Nt, F).
export function textoDoCaso([theta, Nx, Nt, F]) {
    return `θ = ${numero(theta)}, Nx = ${Nx}, Nt = ${Nt}, F = α·dt/dx² = ${Number(F.toPrecision(3))}`;
}

// convergencia.txt: index 1 (a) dx and dt halved together, 2 (b) dx alone,
// 3 (c) dt alone; columns 4 dx, 5 dt, 7 stable, 8 largest field error at tf,
// 10 largest error of the mean. Unstable levels are left out.
export function opcoesConvergencia(blocos) {
    const [caso, a, b, c] = blocos;
    const pontos = (nivel, x, y) => (nivel ?? []).filter((l) => l[6] === 1 && positivo(l[x - 1]) && positivo(l[y - 1]))
        .map((l) => [l[x - 1], l[y - 1]]);
    const contra = (x, outro, letra, cor, rotulo, ordens) => {
        const campoA = pontos(a, x, 8);
        const xs = [...campoA, ...pontos(outro, x, 8)].map((p) => p[0]);
        const fino = campoA[campoA.length - 1];
        return {
            ...base(`Convergência: erro contra ${rotulo}`, textoDoCaso(caso[0])),
            xAxis: logLog(x === 4 ? "dx [m]" : "dt [s]"),
            yAxis: { ...logLog("erro [°C]"), nameGap: 62 },
            series: [
                serie("campo em tf, (a) dx e dt / 2", campoA, cores.a),
                serie("média, (a)", pontos(a, x, 10), cores.a, true, "rect"),
                serie(`campo em tf, (${letra}) só ${rotulo === "dx" ? "dx" : "dt"} / 2`, pontos(outro, x, 8), cor, false, "emptyCircle"),
                serie(`média, (${letra})`, pontos(outro, x, 10), cor, true, "emptyRect"),
                ...(fino ? ordens.map((o) => reta(`ordem ${o} (∝ ${rotulo}${o === 2 ? "²" : ""})`, xs, fino, o)) : []),
            ],
        };
    };
    return [contra(4, b, "b", cores.b, "dx", [2]), contra(5, c, "c", cores.c, "dt", [1, 2])];
}

// comparacao_esquemas.txt, index 1: 1 time, 2 the exact one-term mean, 3 the
// trapezoidal mean of the exact field, 4 to 6 the mean by theta = 0, 0.5, 1.
export function opcaoComparacao(blocos) {
    const [caso, linhas] = blocos;
    const t = linhas.map((l) => l[0]);
    const esquemas = [["explícito, θ = 0", 3, cores.erro], ["Crank–Nicolson, θ = 0.5", 4, cores.a], ["implícito, θ = 1", 5, cores.c]];
    const historia = (c) => linhas.map((l) => [l[0], l[c], l[c]]);
    const erro = (c) => linhas.map((l) => [l[0], l[2] - l[c], l[2] - l[c]]);
    return {
        ...base("Temperatura média da placa: os esquemas θ e a solução exata", textoDoCaso(caso[0])),
        tooltip: dica,
        dataZoom: [{ type: "inside", xAxisIndex: [0, 1] }, { type: "slider", xAxisIndex: [0, 1], bottom: 6, height: 18 }],
        grid: [{ left: 90, right: 30, top: 100, height: 230 }, { left: 90, right: 30, top: 380, height: 100 }],
        xAxis: [
            { type: "value", gridIndex: 0, min: t[0], max: t[t.length - 1], axisLabel: { show: false } },
            { type: "value", gridIndex: 1, min: t[0], max: t[t.length - 1], name: "tempo [s]", nameLocation: "middle", nameGap: 28 },
        ],
        yAxis: [
            { type: "value", gridIndex: 0, scale: true, name: "temperatura média [°C]", nameLocation: "middle", nameGap: 62 },
            { type: "value", gridIndex: 1, scale: true, name: "média trap. exata − Tm [°C]", nameLocation: "middle", nameGap: 62 },
        ],
        series: [
            { name: "solução analítica", type: "line", data: historia(1), color: "#aaa", lineStyle: { width: 4 }, showSymbol: false },
            ...esquemas.map(([nome, c, cor], j) => ({ name: nome, type: "line", data: historia(c), color: cor, showSymbol: false,
                lineStyle: { width: 2, type: ["solid", "dashed", "dotted"][j] } })),
            ...esquemas.map(([nome, c, cor], j) => ({ name: nome, type: "line", data: erro(c), color: cor, showSymbol: false,
                xAxisIndex: 1, yAxisIndex: 1, lineStyle: { width: 2, type: ["solid", "dashed", "dotted"][j] } })),
        ],
    };
}

// mapa.txt, index 1 on: one block per theta; columns 1 F, 4 stable on this
// grid, 5 largest field error at tf, 7 theta, 8 the bound of F on refined
// grids, 9 the bound on this grid. Unstable points are crosses, the bounds
// dashed lines.
const cruz = "path://M0,0L10,10M10,0L0,10";
export function opcaoMapa(blocos) {
    const [caso, ...porTheta] = blocos;
    const paleta = [cores.erro, cores.a, cores.c, "#ff8c00", "#8b4513", "#000"];
    const series = porTheta.flatMap((linhas, j) => {
        const theta = linhas[0][6];
        const cor = paleta[j % paleta.length];
        const nome = `θ = ${numero(theta)}`;
        const validos = linhas.filter((l) => positivo(l[0]) && positivo(l[4]));
        // The two bounds are close on a fine grid: one is named at the top,
        // the other at the foot of its line.
        const limites = theta < 0.5 ? [
            { xAxis: linhas[0][8], name: `limite desta malha, ${nome}`, label: { position: "end" } },
            { xAxis: linhas[0][7], name: `limite com a malha refinada, ${nome}`, label: { position: "start" } },
        ].filter((m) => positivo(m.xAxis)) : [];
        return [
            { name: nome, type: "line", data: validos.filter((l) => l[3] === 1).map((l) => [l[0], l[4]]), color: cor,
              symbol: "circle", symbolSize: 7, lineStyle: { width: 2 },
              markLine: { symbol: "none", silent: true, lineStyle: { type: "dashed", color: cor },
                          label: { formatter: "{b}", fontSize: 10 }, data: limites } },
            { name: `${nome}, instável`, type: "scatter", data: validos.filter((l) => l[3] !== 1).map((l) => [l[0], l[4]]),
              color: cor, symbol: cruz, symbolSize: 10, itemStyle: { borderColor: cor, borderWidth: 2, color: "none" } },
        ];
    });
    return {
        ...base("Mapa de precisão e estabilidade: erro em tf contra F", textoDoCaso(caso[0])),
        xAxis: logLog("F = α·dt/dx²  (dx fixo, Nt escolhido para cada F)"),
        yAxis: { ...logLog("erro máximo do campo em tf [°C]"), nameGap: 62 },
        series,
    };
}

// --- On the page -------------------------------------------------------------------

function baixar(nome, conteudo, tipo) {
    const url = conteudo instanceof Blob ? URL.createObjectURL(conteudo) : conteudo;
    const a = Object.assign(document.createElement("a"), { href: url, download: nome });
    document.body.append(a);
    a.click();
    a.remove();
    if (conteudo instanceof Blob) setTimeout(() => URL.revokeObjectURL(url), 10000);
}

// The picture as SVG, drawn again by the SVG renderer at the size on screen.
function comoSvg(opcao, largura, altura) {
    const grafico = echarts.init(null, null, { renderer: "svg", ssr: true, width: largura, height: altura });
    grafico.setOption({ ...opcao, toolbox: { show: false }, dataZoom: [] });
    const svg = grafico.renderToSVGString();
    grafico.dispose();
    return svg;
}

// A plot in `pai`, with its PNG and SVG downloads named after `nome`.
export function desenhar(pai, nome, opcao) {
    const caixa = Object.assign(document.createElement("div"), { className: "grafico" });
    caixa.dataset.grafico = nome;
    if (opcao.comSinal) caixa.dataset.eixoComSinal = "sim";
    const area = Object.assign(document.createElement("div"), { className: "area" });
    const botoes = Object.assign(document.createElement("div"), { className: "botoes" });
    caixa.append(area, botoes);
    pai.append(caixa);
    const grafico = echarts.init(area, null, { renderer: "canvas" });
    const { comSinal, ...semMarca } = opcao;
    grafico.setOption(semMarca);
    const botao = (texto, acao) => {
        const b = Object.assign(document.createElement("button"), { textContent: texto });
        b.addEventListener("click", acao);
        botoes.append(b);
    };
    botao(`Baixar ${nome}.png`, () => baixar(`${nome}.png`, grafico.getDataURL({
        type: "png", pixelRatio: 2, backgroundColor: "#fff", excludeComponents: ["toolbox", "dataZoom"] })));
    botao(`Baixar ${nome}.svg`, () => baixar(`${nome}.svg`,
        new Blob([comoSvg(semMarca, grafico.getWidth(), grafico.getHeight())], { type: "image/svg+xml" })));
    new ResizeObserver(() => grafico.resize()).observe(area);
    return grafico;
}

export { baixar };

// A plot drawn off screen and thrown away: the engine compiles the drawing
// code before the first plot the student waits for.
export function aquecer(opcao) {
    const area = Object.assign(document.createElement("div"), { style: "position:fixed;left:-20000px;top:0;width:1100px;height:540px" });
    document.body.append(area);
    const grafico = echarts.init(area, null, { renderer: "canvas" });
    const { comSinal, ...semMarca } = opcao;
    grafico.setOption(semMarca);
    grafico.dispose();
    area.remove();
}
export const descartar = (pai) => {
    for (const area of pai.querySelectorAll(".area")) echarts.getInstanceByDom(area)?.dispose();
    pai.replaceChildren();
};
