#pragma once

#include <QString>

// Font families by the names that load directly.
//
// Besides the installed families, Qt lists the generic names "Serif", "Sans Serif" and
// "Monospace", and interface fonts are usually such aliases. When Qt cannot load a requested
// family directly it builds a fallback list and checks every entry against every installed
// family: with ten thousand families that takes seconds for each alias and script. A real
// family name loads directly.

// The real family a generic name stands for; any other name as it is.
QString LoadableFamily(const QString &family);

// Names the application's font by its real family. Call before creating any widget.
void ResolveApplicationFontFamily();
