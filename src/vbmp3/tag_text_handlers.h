#pragma once

namespace trackfold {

// Makes TagLib read ID3v1 fields and ISO-8859-1 ID3v2 frames with decode_tag_text.
void install_tag_text_handlers();

}  // namespace trackfold
