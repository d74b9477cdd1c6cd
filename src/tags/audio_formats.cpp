#include "tags/audio_formats.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpcfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "read_only_stream.h"
#include "tag_text_handlers.h"
#include "tags/asf_walk.h"
#include "tags/flac_walk.h"
#include "util/text.h"

namespace trackfold {
namespace {

enum class Format { Flac, Ogg, Mp4, Asf, Aiff, Wav, Ape, WavPack, Musepack, TrueAudio };

struct Extension {
    std::string_view name;
    Format format;
};

constexpr Extension kExtensions[] = {
    {"flac", Format::Flac},    {"ogg", Format::Ogg},      {"oga", Format::Ogg},
    {"opus", Format::Ogg},     {"spx", Format::Ogg},      {"m4a", Format::Mp4},
    {"m4b", Format::Mp4},      {"m4p", Format::Mp4},      {"mp4", Format::Mp4},
    {"wma", Format::Asf},      {"asf", Format::Asf},      {"aif", Format::Aiff},
    {"aiff", Format::Aiff},    {"aifc", Format::Aiff},    {"wav", Format::Wav},
    {"ape", Format::Ape},      {"wv", Format::WavPack},   {"mpc", Format::Musepack},
    {"mp+", Format::Musepack}, {"mpp", Format::Musepack}, {"tta", Format::TrueAudio},
};

// What a file that cannot be read as its format is not, in the log's words.
const char* not_a(Format format) {
    switch (format) {
        case Format::Flac:
            return "not a FLAC file";
        case Format::Ogg:
            return "not an Ogg Vorbis, Opus, Speex or FLAC file";
        case Format::Mp4:
            return "not an MP4 audio file";
        case Format::Asf:
            return "not a WMA file";
        case Format::Aiff:
            return "not an AIFF file";
        case Format::Wav:
            return "not a WAV file";
        case Format::Ape:
            return "not a Monkey's Audio file";
        case Format::WavPack:
            return "not a WavPack file";
        case Format::Musepack:
            return "not a Musepack file";
        case Format::TrueAudio:
            return "not a TrueAudio file";
    }
    return "not a readable audio file";
}

const Extension* find_extension(std::string_view name) {
    const auto found = std::find_if(std::begin(kExtensions), std::end(kExtensions),
                                    [&](const Extension& e) { return e.name == name; });
    return found != std::end(kExtensions) ? found : nullptr;
}

// Ogg holds several codecs whatever the extension says; the stream's first page tells.
std::unique_ptr<TagLib::File> open_ogg(TagLib::IOStream* stream) {
    if (TagLib::Ogg::Vorbis::File::isSupported(stream)) {
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, false);
    }
    if (TagLib::Ogg::Opus::File::isSupported(stream)) {
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, false);
    }
    if (TagLib::Ogg::Speex::File::isSupported(stream)) {
        return std::make_unique<TagLib::Ogg::Speex::File>(stream, false);
    }
    if (TagLib::Ogg::FLAC::File::isSupported(stream)) {
        return std::make_unique<TagLib::Ogg::FLAC::File>(stream, false);
    }
    return nullptr;
}

std::unique_ptr<TagLib::File> open_file(Format format, TagLib::IOStream* stream) {
    switch (format) {
        case Format::Flac:
            return std::make_unique<TagLib::FLAC::File>(
                stream, TagLib::ID3v2::FrameFactory::instance(), false);
        case Format::Ogg:
            return open_ogg(stream);
        case Format::Mp4:
            return std::make_unique<TagLib::MP4::File>(stream, false);
        case Format::Asf:
            return std::make_unique<TagLib::ASF::File>(stream, false);
        case Format::Aiff:
            return std::make_unique<TagLib::RIFF::AIFF::File>(stream, false);
        case Format::Wav:
            return std::make_unique<TagLib::RIFF::WAV::File>(stream, false);
        case Format::Ape:
            return std::make_unique<TagLib::APE::File>(stream, false);
        case Format::WavPack:
            return std::make_unique<TagLib::WavPack::File>(stream, false);
        case Format::Musepack:
            return std::make_unique<TagLib::MPC::File>(stream, false);
        case Format::TrueAudio:
            return std::make_unique<TagLib::TrueAudio::File>(stream, false);
    }
    return nullptr;
}

// The format's tags, highest priority first.
std::vector<TagLib::Tag*> tags_of(TagLib::File& file) {
    std::vector<TagLib::Tag*> tags;
    const auto add = [&tags](auto*... found) {
        ((found != nullptr ? tags.push_back(found) : void()), ...);
    };
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        add(flac->xiphComment(), flac->ID3v2Tag(), flac->ID3v1Tag());
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(&file)) {
        add(wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr,
            wav->hasInfoTag() ? wav->InfoTag() : nullptr);
    } else if (auto* ape = dynamic_cast<TagLib::APE::File*>(&file)) {
        add(ape->APETag(), ape->ID3v1Tag());
    } else if (auto* wavpack = dynamic_cast<TagLib::WavPack::File*>(&file)) {
        add(wavpack->APETag(), wavpack->ID3v1Tag());
    } else if (auto* mpc = dynamic_cast<TagLib::MPC::File*>(&file)) {
        add(mpc->APETag(), mpc->ID3v1Tag());
    } else if (auto* tta = dynamic_cast<TagLib::TrueAudio::File*>(&file)) {
        add(tta->ID3v2Tag(), tta->ID3v1Tag());
    } else {
        add(file.tag());
    }
    return tags;
}

// Whether a file whose own tag is APE (Musepack, WavPack, Monkey's Audio) has one; nullopt for
// a file of another format.
std::optional<bool> has_own_ape_tag(TagLib::File& file) {
    if (auto* ape = dynamic_cast<TagLib::APE::File*>(&file)) {
        return ape->hasAPETag();
    }
    if (auto* wavpack = dynamic_cast<TagLib::WavPack::File*>(&file)) {
        return wavpack->hasAPETag();
    }
    if (auto* mpc = dynamic_cast<TagLib::MPC::File*>(&file)) {
        return mpc->hasAPETag();
    }
    return std::nullopt;
}

// TagLib skips an ID3v2 tag at the start of a file whose own tag is APE, but taggers write one
// there all the same, sometimes beside the APE tag: its texts come after the APE tag's, as the
// format's own, and before ID3v1's.
void add_leading_id3v2(TagLib::File& file, std::vector<TagLib::PropertyMap>& maps) {
    const std::optional<bool> has_ape = has_own_ape_tag(file);
    if (!has_ape) {
        return;
    }
    file.seek(0);
    if (file.readBlock(3) != TagLib::ID3v2::Header::fileIdentifier()) {
        return;
    }
    const TagLib::ID3v2::Tag id3v2(&file, 0);
    const std::size_t after_ape = *has_ape ? std::min<std::size_t>(maps.size(), 1) : 0;
    maps.insert(maps.begin() + static_cast<long>(after_ape), id3v2.properties());
}

// A WMA file keeps its first artist as the Author and any others as Author attributes, which
// TagLib's properties leave out. Used where the header could not be walked for them in order.
TagLib::PropertyMap asf_properties(const TagLib::ASF::Tag& tag) {
    TagLib::PropertyMap map = tag.properties();
    TagLib::StringList artists = map.contains("ARTIST") ? map["ARTIST"] : TagLib::StringList();
    for (const TagLib::ASF::Attribute& attribute : tag.attribute("Author")) {
        if (const TagLib::String value = attribute.toString(); !artists.contains(value)) {
            artists.append(value);
        }
    }
    if (!artists.isEmpty()) {
        map.replace("ARTIST", artists);
    }
    return map;
}

// TagLib 1.13's properties() is not virtual: called through Tag it reads only the single
// values of the Tag interface, joined by TagLib with spaces, and no album artist.
TagLib::PropertyMap properties_of(const TagLib::Tag& tag) {
    if (const auto* xiph = dynamic_cast<const TagLib::Ogg::XiphComment*>(&tag)) {
        return xiph->properties();
    }
    if (const auto* id3v2 = dynamic_cast<const TagLib::ID3v2::Tag*>(&tag)) {
        return id3v2->properties();
    }
    if (const auto* ape = dynamic_cast<const TagLib::APE::Tag*>(&tag)) {
        return ape->properties();
    }
    if (const auto* mp4 = dynamic_cast<const TagLib::MP4::Tag*>(&tag)) {
        return mp4->properties();
    }
    if (const auto* asf = dynamic_cast<const TagLib::ASF::Tag*>(&tag)) {
        return asf_properties(*asf);
    }
    return tag.properties();
}

// The first tag's values under any of the keys, joined as the MP3 library joins them; a text
// that is blank counts as missing.
std::string first_value(const std::vector<TagLib::PropertyMap>& maps,
                        std::initializer_list<const char*> keys) {
    for (const TagLib::PropertyMap& map : maps) {
        for (const char* key : keys) {
            const auto found = map.find(key);
            if (found == map.end()) {
                continue;
            }
            std::string text = found->second.toString("/").to8Bit(true);
            if (!is_blank(text)) {
                return text;
            }
        }
    }
    return {};
}

// Vorbis comments may keep the count of a set in a field of its own.
std::string number_of(const std::vector<TagLib::PropertyMap>& maps, const char* key,
                      std::initializer_list<const char*> total_keys) {
    std::string number = first_value(maps, {key});
    if (const std::string total = first_value(maps, total_keys);
        !number.empty() && !total.empty() && number.find('/') == std::string::npos) {
        number += "/" + total;
    }
    return number;
}

FileTags file_tags(const std::vector<TagLib::PropertyMap>& maps) {
    return FileTags{.artist = first_value(maps, {"ARTIST"}),
                    .album = first_value(maps, {"ALBUM"}),
                    .album_artist = first_value(maps, {"ALBUMARTIST", "ALBUM ARTIST"}),
                    .title = first_value(maps, {"TITLE"}),
                    .year = first_value(maps, {"DATE", "YEAR"}),
                    .track = number_of(maps, "TRACKNUMBER", {"TRACKTOTAL", "TOTALTRACKS"}),
                    .disc = number_of(maps, "DISCNUMBER", {"DISCTOTAL", "TOTALDISCS"}),
                    .genre = first_value(maps, {"GENRE"})};
}

}  // namespace

bool is_supported_extension(std::string_view extension) {
    return extension == "mp3" || is_taglib_extension(extension);
}

std::vector<std::string_view> supported_extensions() {
    std::vector<std::string_view> all{"mp3"};
    for (const Extension& extension : kExtensions) {
        all.push_back(extension.name);
    }
    return all;
}

bool is_taglib_extension(std::string_view extension) {
    return find_extension(extension) != nullptr;
}

std::string format_error(std::string_view extension) {
    const Extension* known = find_extension(extension);
    return known != nullptr ? not_a(known->format) : "no MPEG audio found";
}

FileTags read_file_tags(const std::string& path, std::string_view extension) {
    const Extension* known = find_extension(extension);
    ReadOnlyStream stream;
    if (known == nullptr || !stream.open(path.c_str())) {
        return FileTags{.error = true};
    }
    try {
        prepare_taglib();
        stream.limit_reach(ReadOnlyStream::kTagReach, ReadOnlyStream::kTagReach);
        const std::unique_ptr<TagLib::File> file = open_file(known->format, &stream);
        std::vector<TagLib::PropertyMap> maps;
        if (file != nullptr && file->isValid()) {
            for (const TagLib::Tag* tag : tags_of(*file)) {
                maps.push_back(properties_of(*tag));
            }
            add_leading_id3v2(*file, maps);
            if (TagLib::PropertyMap fields =
                    known->format == Format::Asf ? asf_fields(stream) : TagLib::PropertyMap();
                !fields.isEmpty()) {
                maps = {fields};
            }
        }
        FileTags tags = file_tags(maps);
        if (known->format == Format::Flac && tags.artist.empty() && tags.album.empty() &&
            tags.album_artist.empty()) {
            // TagLib gives up on a FLAC file at the first metadata block of a wrong size.
            if (TagLib::PropertyMap fields = flac_comment_fields(stream); !fields.isEmpty()) {
                return file_tags({fields});
            }
        }
        tags.error = file == nullptr || !file->isValid();
        return tags;
    } catch (...) {
        return FileTags{.error = true};
    }
}

}  // namespace trackfold
