#pragma once

#include <QFont>
#include <QStringList>

// The faces Chinese text falls back to, in order: the Windows face where it is installed,
// then the CJK faces a Linux desktop usually has.
QStringList CjkFallbackFamilies();

// The font with its own families first and then those of the fallback list it lacks, so
// Chinese text never lands in a face without the glyphs.
QFont WithCjkFallback(QFont font);
