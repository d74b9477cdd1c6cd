#pragma once

#include <taglib/tiostream.h>
#include <taglib/tpropertymap.h>

namespace trackfold {

// A WMA file's artists (ARTIST), albums (ALBUM) and album artists (ALBUMARTIST), each field's
// several values in the file's own order: the Content Description's Author first, then the
// values of the Extended Content Description, the Metadata and the Metadata Library objects,
// each object's in its own order. Windows Media writes a field's first value where only one
// fits and the others in the library, whose header extension often lies before the other
// objects, so TagLib 1.13, which keeps the values in the order the objects lie, turns them
// round. Empty when the file's header cannot be walked or names none of them. It reads the
// header alone, at most 16 MiB of it, and every length is checked against what holds it.
TagLib::PropertyMap asf_fields(TagLib::IOStream& stream);

}  // namespace trackfold
