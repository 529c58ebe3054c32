// The page's modules (difusao_calor_pagina.js, estudo_convergencia_pagina.js):
// a factory each, whose instance runs its program once, on an in-memory
// folder that holds exactly the files it is given.
//
//   const m = await DifusaoCalor({ print, printErr, aoProgresso });  // all optional
//   const r = m.executar({ argumentos: [...], arquivos: { nome: Uint8Array }, ambiente: { NOME: "valor" } });
//   // r = { estado, saida: Uint8Array, erro: Uint8Array, arquivos: { nome: Uint8Array }, comandos: [string] }
//
// Bytes stay bytes: the input files and the listing are Windows-1252 as the
// program reads and writes them, and the standard streams are collected byte
// for byte (print and printErr get their lines as text as well, as they are
// written). The program's end, normal or after a report, ends the instance.

var difusaoSaida = [];
var difusaoErro = [];
var difusaoComandos = [];
var difusaoUsado = false;

// A standard stream: every byte kept, and each whole line handed, as text,
// to `aviso` when the page gave one.
function difusaoColetor(destino, aviso) {
  var linha = [];
  var decodificador = typeof TextDecoder != 'undefined' ? new TextDecoder('utf-8') : null;
  function despejar() {
    if (aviso && linha.length && decodificador) aviso(decodificador.decode(new Uint8Array(linha)));
    linha = [];
  }
  function receber(byte) {
    destino.push(byte);
    if (!aviso) return;
    if (byte === 10) despejar();
    else linha.push(byte);
  }
  receber.despejar = despejar;
  return receber;
}

var difusaoAoImprimir = difusaoColetor(difusaoSaida, Module['print']);
var difusaoAoImprimirErro = difusaoColetor(difusaoErro, Module['printErr']);
Module['stdin'] = function () { return null; };  // the console is closed: end of input at once
Module['stdout'] = difusaoAoImprimir;
Module['stderr'] = difusaoAoImprimirErro;

// The end of the program ends the instance, never the process that hosts it.
Module['quit'] = function (status, excecao) { throw excecao; };

Module['registrarComando'] = function (bytes) {
  difusaoComandos.push(new TextDecoder('windows-1252').decode(bytes));
};

// The time loop calls at every block of steps; the page hears of it every
// few milliseconds, and of the last level always.
var difusaoUltimoAviso = -Infinity;
Module['anunciarProgresso'] = function (feitos, total) {
  var aoProgresso = Module['aoProgresso'];
  if (!aoProgresso) return;
  var agora = performance.now();
  if (feitos < total && agora - difusaoUltimoAviso < 4) return;
  difusaoUltimoAviso = agora;
  aoProgresso(feitos, total);
};

function difusaoCriarPastas(caminho) {
  var partes = caminho.split('/');
  var atual = '';
  for (var j = 1; j < partes.length - 1; ++j) {
    atual += '/' + partes[j];
    if (!FS.analyzePath(atual).exists) FS.mkdir(atual);
  }
}

// Every regular file under `pasta`, by its name relative to the run's folder.
function difusaoLerPasta(pasta, prefixo, arquivos) {
  FS.readdir(pasta).forEach(function (nome) {
    if (nome === '.' || nome === '..') return;
    var caminho = pasta + '/' + nome;
    var modo = FS.stat(caminho).mode;
    if (FS.isDir(modo)) difusaoLerPasta(caminho, prefixo + nome + '/', arquivos);
    else if (FS.isFile(modo)) arquivos[prefixo + nome] = FS.readFile(caminho);
  });
  return arquivos;
}

Module['executar'] = function (pedido) {
  if (difusaoUsado) throw new Error('executar: one run per instance; create another instance for the next run');
  difusaoUsado = true;
  pedido = pedido || {};
  var pasta = '/corrida';
  FS.mkdir(pasta);
  var arquivos = pedido['arquivos'] || {};
  Object.keys(arquivos).forEach(function (nome) {
    if (!(arquivos[nome] instanceof Uint8Array)) throw new TypeError('executar: the file ' + nome + ' must be a Uint8Array');
    difusaoCriarPastas(pasta + '/' + nome);
    FS.writeFile(pasta + '/' + nome, arquivos[nome]);
  });
  FS.chdir(pasta);
  var ambiente = pedido['ambiente'] || {};
  Object.keys(ambiente).forEach(function (nome) {
    ccall('setenv', 'number', ['string', 'string', 'number'], [nome, String(ambiente[nome]), 1]);
  });
  var estado = callMain((pedido['argumentos'] || []).map(String));
  difusaoAoImprimir.despejar();
  difusaoAoImprimirErro.despejar();
  return {
    'estado': estado,
    'saida': new Uint8Array(difusaoSaida),
    'erro': new Uint8Array(difusaoErro),
    'arquivos': difusaoLerPasta(pasta, '', {}),
    'comandos': difusaoComandos.slice(),
  };
};
