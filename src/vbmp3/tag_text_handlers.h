#pragma once

namespace trackfold {

// Makes TagLib read ID3v1 fields and ISO-8859-1 ID3v2 frames with decode_tag_text, in every
// format that carries them, and keeps its debug messages about broken files off stderr. Cheap
// to call before every file.
void prepare_taglib();

}  // namespace trackfold
