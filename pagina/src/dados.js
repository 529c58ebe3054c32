// The program's result files read back as numbers, and the case they come
// from. Every value of temp_media.txt, temp_meio.txt and the listing is a
// 25-character field of E editing with 15 decimals.

const largura = 25;

// One field: "  1.000000000000000E+00", "  1.000000000000000+100" (an exponent
// of three digits is written without its letter) or a non-finite value
// ("1#INF", "1#IND", "1#QNAN"), which has no place on a plot.
export function lerCampo(campo) {
    const texto = campo.trim();
    if (texto.includes("#") || texto === "") return NaN;
    const semLetra = texto.match(/^([+-]?[0-9.]+)([+-][0-9]{3})$/);
    return Number(semLetra ? `${semLetra[1]}E${semLetra[2]}` : texto);
}

// The rows of a data file, each cut into its fields; rows end CR LF.
export function lerLinhas(texto, campos) {
    const colunas = Array.from({ length: campos }, () => []);
    for (const linha of texto.split("\r\n")) {
        if (linha.length < largura * campos) continue;
        for (let c = 0; c < campos; c++) colunas[c].push(lerCampo(linha.slice(c * largura, (c + 1) * largura)));
    }
    return colunas;
}

// temp_media.txt / temp_meio.txt: time, numerical value, exact value.
export function lerHistoria(texto) {
    const [t, numerica, exata] = lerLinhas(texto, 3);
    return { t, numerica, exata };
}

// A listing longer than this many bytes (about 6000 rows) is shown by its
// head and tail, decoded alone: a large run's listing has millions of rows
// (its file is downloaded whole).
const bytesMostrados = 600000;
const decodificador = new TextDecoder("windows-1252");

// The listing as the page shows it, lines ended by LF, whole or by its head
// and tail cut at record ends; and its head as written, with the data echo.
export function textoDaListagem(bytes, limite = bytesMostrados) {
    const comoTexto = (b) => decodificador.decode(b).replace(/\r\n/g, "\n");
    if (bytes.length <= limite) return { texto: comoTexto(bytes), cabeca: decodificador.decode(bytes) };
    const lf = 0x0a;
    // At least the first record, for the echo; the tail from a record's start.
    const fimDaCabeca = Math.max(bytes.lastIndexOf(lf, Math.floor((2 * limite) / 3)), bytes.indexOf(lf)) + 1;
    const inicioDaCauda = Math.max(bytes.indexOf(lf, bytes.length - Math.floor(limite / 3)) + 1, fimDaCabeca);
    if (fimDaCabeca === 0) return { texto: comoTexto(bytes), cabeca: decodificador.decode(bytes) };
    const cabeca = bytes.subarray(0, fimDaCabeca);
    const cauda = bytes.subarray(inicioDaCauda);
    const omitidas = bytes.subarray(cabeca.length, bytes.length - cauda.length).reduce((n, b) => n + (b === lf), 0);
    return {
        texto: `${comoTexto(cabeca)}… ${omitidas} linhas omitidas aqui: o arquivo baixado tem todas …\n${comoTexto(cauda)}`,
        cabeca: decodificador.decode(cabeca),
    };
}

// The data echo of the listing (records 6 to 18): the values the program read
// and derived, in the order it writes them.
const eco = ["Lx", "Nx", "tf", "Nt", "Ti", "theta", null, "k", "ro", "cp", "alpha", "dx", "dt"];

export function lerEco(listagem) {
    const registros = listagem.split("\r\n");
    const caso = {};
    eco.forEach((nome, j) => {
        if (nome === null) return;
        const registro = registros[5 + j] ?? "";
        caso[nome] = nome === "Nx" || nome === "Nt" ? Number(registro.slice(0, 10)) : lerCampo(registro.slice(0, largura));
    });
    return caso;
}

// Three significant digits, as the titles show numbers.
export function curto(v) {
    if (!Number.isFinite(v)) return "?";
    return Number(v.toPrecision(3)).toString();
}

function nomeDoEsquema(theta) {
    if (theta === 0) return " (explícito)";
    if (theta === 0.5) return " (Crank–Nicolson)";
    if (theta === 1) return " (implícito)";
    return "";
}

// The case as the plot titles name it: theta, Nx, Nt, then the mesh Fourier
// number F = alpha dt/dx² with its stability verdict. The verdict is the
// study's (estudo_convergencia --explicar --titulo, its lines as given), as
// the launchers give it to the plot scripts, so that the page says what the
// study says on every case (theta < 0 and its fastest mode, a singular
// matrix, F < 0). Without it the page works out what the plot scripts work
// out alone: below theta = 1/2 the highest mode of the grid, s² =
// cos²(pi/(2(Nx - 1))), grows once F passes 1/(2(1 - 2 theta) s²), this
// grid's stability bound.
export function descreverCaso(caso, vereditoDoEstudo = "") {
    const { theta, Nx, Nt, alpha, dt, dx } = caso;
    const inicio = `θ = ${curto(theta)}${nomeDoEsquema(theta)}, Nx = ${Nx}, Nt = ${Nt}, `;
    if (vereditoDoEstudo) return { texto: inicio + vereditoDoEstudo };
    const F = (alpha * dt) / dx ** 2;
    let veredito = "";
    if (Number.isFinite(F) && Nx >= 3) {
        if (theta >= 0.5) {
            veredito = "; estável para todo F";
        } else {
            const limite = 0.5 / ((1 - 2 * theta) * Math.cos(Math.PI / (2 * (Nx - 1))) ** 2);
            veredito = F > limite
                ? `; F > ${Number(limite.toPrecision(4))}, o limite de estabilidade desta malha: INSTÁVEL`
                : `; F ≤ ${Number(limite.toPrecision(4))}, o limite de estabilidade desta malha`;
        }
    }
    return { texto: `${inicio}F = α·dt/dx² = ${curto(F)}${veredito}` };
}

// Values that grow by decades past the exact ones (an explicit run past its
// stability bound) are drawn on a signed logarithmic axis, so that the exact
// curve and the growing oscillation both show.
export function precisaDeEixoComSinal(valores, exatos) {
    const maior = (lista) => lista.reduce((m, v) => (Number.isFinite(v) ? Math.max(m, Math.abs(v)) : m), 0);
    return maior(valores) > 1000 * Math.max(maior(exatos), 1);
}

// The signed logarithm sgn(y)·log10(1 + |y|) and its inverse.
export const sinalLog = (y) => Math.sign(y) * Math.log10(1 + Math.abs(y));
export const inversoSinalLog = (v) => Math.sign(v) * (10 ** Math.abs(v) - 1);

// The study's data files are gnuplot data: '#' comments, blocks ("index")
// separated by two blank lines, numbers separated by blanks.
export function lerBlocos(texto) {
    const blocos = [];
    let atual = [];
    let brancas = 0;
    for (const linha of texto.split(/\r?\n/)) {
        if (linha.startsWith("#")) continue;
        if (linha.trim() === "") {
            brancas++;
            if (brancas === 2 && atual.length > 0) {
                blocos.push(atual);
                atual = [];
            }
            continue;
        }
        brancas = 0;
        atual.push(linha.trim().split(/\s+/).map(Number));
    }
    if (atual.length > 0) blocos.push(atual);
    return blocos;
}
