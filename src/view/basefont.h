#pragma once

// Names the application's font by the family it resolves to.
//
// Interface fonts are usually aliases such as "Sans Serif". When Qt cannot load a requested
// family directly it builds a fallback list and checks every entry against every installed
// family: with ten thousand families that takes seconds, once for each alias and script,
// starting with the first text widget created. A real family name loads directly. Call before
// creating any widget.
void ResolveApplicationFontFamily();
