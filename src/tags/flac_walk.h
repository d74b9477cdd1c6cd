#pragma once

#include <taglib/tiostream.h>
#include <taglib/tpropertymap.h>

namespace trackfold {

// The fields of the Vorbis comment among a FLAC file's metadata blocks, read where TagLib 1.13
// gives up on the blocks: a block of zero bytes, a block running past the end of the file, a
// STREAMINFO that is not first, or a wrong length in the comment's own block or one before it.
// The walk follows the declared lengths while they lead to block headers, then looks for a
// comment within the first 64 KiB of metadata. A comment counts only when its own lengths hold
// together and every field is KEY=value, so garbage gives no fields. It reads at most a few
// blocks' headers, 64 KiB and the comment, and does bounded work on them.
TagLib::PropertyMap flac_comment_fields(TagLib::IOStream& stream);

}  // namespace trackfold
