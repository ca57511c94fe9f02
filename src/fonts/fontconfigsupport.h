#pragma once

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

// A pattern naming the family alone, as a listing asks for its fonts.
Pattern FamilyPattern(const QString &family);
// The family as fontconfig's rules expand it for a match: the family, then those it prefers.
Pattern SubstitutedPattern(const QString &family);

} // namespace Fontconfig
