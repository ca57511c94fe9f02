// SPDX-License-Identifier: MIT
#pragma once

#include "facelocation.h"

#include <QString>

#include <fontconfig/fontconfig.h>

#include <memory>

// Owning handles for fontconfig's objects, and the patterns the program asks fontconfig with.
namespace Fontconfig {

template<typename T, void (*Destroy)(T *)>
struct Deleter
{
    void operator()(T *object) const { Destroy(object); }
};
template<typename T, void (*Destroy)(T *)>
using Handle = std::unique_ptr<T, Deleter<T, Destroy>>;

using Pattern = Handle<FcPattern, FcPatternDestroy>;
using FontSet = Handle<FcFontSet, FcFontSetDestroy>;
using ObjectSet = Handle<FcObjectSet, FcObjectSetDestroy>;
using CharSet = Handle<FcCharSet, FcCharSetDestroy>;
using Config = Handle<FcConfig, FcConfigDestroy>;

// The pattern's text at the index; empty where it holds none.
QString StringAt(const FcPattern &pattern, const char *object, int index = 0);
// Where the font is stored; an empty file where the pattern names none.
FaceLocation LocationOf(const FcPattern &font);

// A pattern naming the family alone, as a listing asks for its fonts.
Pattern FamilyPattern(const QString &family);
// The pattern as fontconfig's rules complete it for a match.
Pattern Substituted(Pattern pattern);
// The family as fontconfig's rules expand it for a match: the family, then those it prefers.
Pattern SubstitutedPattern(const QString &family);

} // namespace Fontconfig
