#include "tag_text_handlers.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/tdebuglistener.h>

#include <cstddef>
#include <string_view>

#include "legacy_text.h"

namespace trackfold {
namespace {

// Like TagLib's own handlers, the text ends at the first NUL.
TagLib::String tag_text(const TagLib::ByteVector& data, bool fixed_field) {
    std::string_view bytes(data.data(), data.size());
    const std::size_t nul = bytes.find('\0');
    const bool fills_field = fixed_field && nul == std::string_view::npos;
    return TagLib::String(decode_tag_text(bytes.substr(0, nul), fills_field), TagLib::String::UTF8);
}

class Id3v2TextHandler : public TagLib::ID3v2::Latin1StringHandler {
  public:
    TagLib::String parse(const TagLib::ByteVector& data) const override {
        return tag_text(data, false);
    }
};

class Id3v1TextHandler : public TagLib::ID3v1::StringHandler {
  public:
    TagLib::String parse(const TagLib::ByteVector& data) const override {
        return tag_text(data, true).stripWhiteSpace();
    }
};

// A TagLib built without NDEBUG reports every oddity of a broken file on stderr.
class SilentDebugListener : public TagLib::DebugListener {
  public:
    void printMessage(const TagLib::String&) override {}
};

}  // namespace

void prepare_taglib() {
    // Once per process, whichever thread comes first: TagLib keeps these in plain globals.
    static const bool prepared = [] {
        static SilentDebugListener listener;
        TagLib::setDebugListener(&listener);
        static const Id3v2TextHandler id3v2;
        static const Id3v1TextHandler id3v1;
        TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
        TagLib::ID3v1::Tag::setStringHandler(&id3v1);
        return true;
    }();
    (void)prepared;
}

}  // namespace trackfold
