// What the WebAssembly run hands to the runtime that hosts it, through the
// hooks that the host's glue puts on the module (pagina.js); without a hook
// (the command-line program under node) it goes nowhere.
mergeInto(LibraryManager.library, {
  // A command line that the program asks the interpreter to run: its bytes,
  // Windows-1252 like the names in it.
  difusao_registrar_comando: function (texto, tamanho) {
    if (Module['registrarComando']) Module['registrarComando'](HEAPU8.slice(texto, texto + tamanho));
  },
  // The time loop's progress: `feitos` of the `total` time levels recorded.
  difusao_anunciar_progresso: function (feitos, total) {
    if (Module['anunciarProgresso']) Module['anunciarProgresso'](feitos, total);
  },
});
