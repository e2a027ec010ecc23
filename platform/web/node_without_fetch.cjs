// Loaded before the game's script when node runs it (the transcripts, the
// pipe test): where fetch is there, Emscripten's loader fetches the wasm
// as a browser does, which node cannot do from a file path; without it, the
// loader reads the file. Node 18 and 20 could switch fetch off with
// --no-experimental-fetch; later ones have no such switch.
delete globalThis.fetch;
