// The device library module. Its QDLL_* entry points arrive together with the repair
// console that calls them; until then the module exports nothing.
