#include "support/audio_fixture.h"

#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <type_traits>

#include "support/byte_order.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace trackfold::test {
namespace {

std::string flac_stream() {
    // STREAMINFO: 4096-sample blocks, 44.1 kHz, stereo, 16 bits, length unknown.
    const std::uint64_t format = (44100ULL << 44) | (1ULL << 41) | (15ULL << 36);
    const std::string info = big_endian(4096, 2) + big_endian(4096, 2) + std::string(6, '\0') +
                             big_endian(format, 8) + std::string(16, '\0');
    return "fLaC" + std::string(1, '\x80') + big_endian(info.size(), 3) + info;
}

std::uint32_t ogg_crc(const std::string& page) {
    std::uint32_t crc = 0;
    for (const char c : page) {
        crc ^= static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = crc & 0x80000000 ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
        }
    }
    return crc;
}

// One page holding whole packets, each under 255 bytes.
std::string ogg_page(const std::vector<std::string>& packets, std::uint8_t flags,
                     std::uint32_t sequence, std::uint64_t granule) {
    std::string lacing;
    std::string body;
    for (const std::string& packet : packets) {
        lacing += static_cast<char>(packet.size());
        body += packet;
    }
    std::string page = "OggS" + std::string(1, '\0') + static_cast<char>(flags) +
                       little_endian(granule, 8) + little_endian(1, 4) +
                       little_endian(sequence, 4) + std::string(4, '\0') +
                       static_cast<char>(packets.size()) + lacing + body;
    const std::string crc = little_endian(ogg_crc(page), 4);
    page.replace(22, 4, crc);
    return page;
}

std::string vorbis_stream() {
    const std::string identification = "\x01vorbis" + little_endian(0, 4) + '\x02' +
                                       little_endian(44100, 4) + little_endian(0, 4) +
                                       little_endian(128000, 4) + little_endian(0, 4) + "\xB8\x01";
    const std::string comments =
        "\x03vorbis" + little_endian(4, 4) + "test" + little_endian(0, 4) + '\x01';
    const std::string setup = "\x05vorbis\x00";
    return ogg_page({identification}, 0x02, 0, 0) + ogg_page({comments, setup}, 0, 1, 0) +
           ogg_page({std::string(16, '\0')}, 0x04, 2, 4096);
}

std::string opus_stream() {
    const std::string head = "OpusHead\x01\x02" + little_endian(312, 2) + little_endian(48000, 4) +
                             little_endian(0, 2) + '\0';
    const std::string tags = "OpusTags" + little_endian(4, 4) + "test" + little_endian(0, 4);
    return ogg_page({head}, 0x02, 0, 0) + ogg_page({tags}, 0, 1, 0) +
           ogg_page({std::string(16, '\0')}, 0x04, 2, 4096);
}

std::string mp4_atom(const std::string& type, const std::string& content) {
    return big_endian(8 + content.size(), 4) + type + content;
}

std::string m4a_stream() {
    const std::string movie_header = std::string(4, '\0') + std::string(8, '\0') +
                                     big_endian(44100, 4) + big_endian(0, 4) +
                                     big_endian(0x00010000, 4) + big_endian(0x0100, 2) +
                                     std::string(10 + 36 + 24, '\0') + big_endian(2, 4);
    return mp4_atom("ftyp", "M4A " + big_endian(0, 4) + "M4A mp42isom") +
           mp4_atom("moov", mp4_atom("mvhd", movie_header)) +
           mp4_atom("mdat", std::string(16, '\0'));
}

// A GUID as ASF stores it: the first three groups little-endian.
std::string asf_guid(std::uint32_t a, std::uint16_t b, std::uint16_t c, std::uint64_t d) {
    return little_endian(a, 4) + little_endian(b, 2) + little_endian(c, 2) + big_endian(d, 8);
}

std::string asf_object(const std::string& guid, const std::string& content) {
    return guid + little_endian(24 + content.size(), 8) + content;
}

std::string wma_stream() {
    const std::string file_properties =
        asf_object(asf_guid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365), std::string(80, '\0'));
    const std::string wave_format = little_endian(0x0161, 2) + little_endian(2, 2) +
                                    little_endian(44100, 4) + little_endian(16000, 4) +
                                    little_endian(2048, 2) + little_endian(16, 2) +
                                    little_endian(0, 2);
    const std::string stream_properties = asf_object(
        asf_guid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365),
        asf_guid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442B) + std::string(16, '\0') +
            std::string(8, '\0') + little_endian(wave_format.size(), 4) + little_endian(0, 4) +
            little_endian(1, 2) + std::string(4, '\0') + wave_format);
    // Empty: TagLib fills its Metadata Library where it lies, and adds the other objects after.
    const std::string header_extension =
        asf_object(asf_guid(0x5FBF03B5, 0xA92E, 0x11CF, 0x8EE300C00C205365),
                   asf_guid(0xABD3D211, 0xA9BA, 0x11CF, 0x8EE600C00C205365) + little_endian(6, 2) +
                       little_endian(0, 4));
    const std::string children = file_properties + header_extension + stream_properties;
    return asf_guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6C) +
           little_endian(30 + children.size(), 8) + little_endian(3, 4) + "\x01\x02" + children;
}

std::string wav_stream() {
    const std::string format = little_endian(1, 2) + little_endian(2, 2) + little_endian(44100, 4) +
                               little_endian(176400, 4) + little_endian(4, 2) +
                               little_endian(16, 2);
    const std::string chunks = "WAVE" + ("fmt " + little_endian(format.size(), 4) + format) +
                               ("data" + little_endian(16, 4) + std::string(16, '\0'));
    return "RIFF" + little_endian(chunks.size(), 4) + chunks;
}

// Musepack SV7 at 44.1 kHz, and a WavPack block of 4.10, 16-bit stereo at 44.1 kHz.
std::string ape_family_stream(AudioType type) {
    if (type == AudioType::Musepack) {
        return "MP+\x17" + little_endian(100, 4) + std::string(48, '\0') + std::string(64, '\0');
    }
    const std::uint32_t flags = 0x1 | 0x4 | (9U << 23);
    return "wvpk" + little_endian(24 + 64, 4) + little_endian(0x410, 2) + std::string(2, '\0') +
           little_endian(1152, 4) + little_endian(0, 4) + little_endian(1152, 4) +
           little_endian(flags, 4) + std::string(4, '\0') + std::string(64, '\0');
}

TagLib::PropertyMap properties_of(const AudioTags& tags) {
    const auto utf8 = [](const std::string& text) {
        return TagLib::String(text, TagLib::String::UTF8);
    };
    TagLib::PropertyMap map;
    for (const std::string& artist : tags.artists) {
        map["ARTIST"].append(utf8(artist));
    }
    if (!tags.album.empty()) {
        map["ALBUM"].append(utf8(tags.album));
    }
    if (!tags.album_artist.empty()) {
        map["ALBUMARTIST"].append(utf8(tags.album_artist));
    }
    return map;
}

// TagLib writes several WMA artists as one text joined with spaces; Windows Media Player keeps
// the first as the Author and the others as Author attributes.
void add_wma_artists(TagLib::ASF::File& file, const TagLib::PropertyMap& map) {
    const TagLib::StringList artists =
        map.contains("ARTIST") ? map["ARTIST"] : TagLib::StringList();
    if (artists.size() < 2) {
        return;
    }
    file.tag()->setArtist(artists.front());
    for (auto it = std::next(artists.begin()); it != artists.end(); ++it) {
        file.tag()->addAttribute("Author", TagLib::ASF::Attribute(*it));
    }
}

template <typename File, typename... Arguments>
void write_tags(const fs::path& path, const TagLib::PropertyMap& map, Arguments... arguments) {
    File file(path.c_str(), arguments...);
    if (!file.isValid()) {
        throw std::runtime_error("TagLib does not take the test's stream " + path.string());
    }
    file.setProperties(map);
    if constexpr (std::is_same_v<File, TagLib::ASF::File>) {
        add_wma_artists(file, map);
    }
    if (!file.save()) {
        throw std::runtime_error("TagLib could not write the tags of " + path.string());
    }
}

}  // namespace

void make_ape_family_file(const fs::path& path, AudioType type, const TagsByKind& tags) {
    const auto bytes = [](const TagLib::ByteVector& rendered) {
        return std::string(rendered.data(), rendered.size());
    };
    const auto named = [](const AudioTags& some) {
        return !some.artists.empty() || !some.album.empty() || !some.album_artist.empty();
    };
    std::string file;
    if (named(tags.id3v2)) {
        TagLib::ID3v2::Tag id3v2;
        id3v2.setProperties(properties_of(tags.id3v2));
        file += bytes(id3v2.render());
    }
    file += ape_family_stream(type);
    if (named(tags.ape)) {
        TagLib::APE::Tag ape;
        ape.setProperties(properties_of(tags.ape));
        file += bytes(ape.render());
    }
    if (named(tags.id3v1)) {
        TagLib::ID3v1::Tag id3v1;
        id3v1.setProperties(properties_of(tags.id3v1));
        file += bytes(id3v1.render());
    }
    fs::create_directories(path.parent_path());
    write_file(path, file);
}

void make_audio_file(const fs::path& path, AudioType type, const AudioTags& tags) {
    fs::create_directories(path.parent_path());
    const TagLib::PropertyMap map = properties_of(tags);
    switch (type) {
        case AudioType::Flac:
            write_file(path, flac_stream());
            return write_tags<TagLib::FLAC::File>(path, map);
        case AudioType::OggVorbis:
            write_file(path, vorbis_stream());
            return write_tags<TagLib::Ogg::Vorbis::File>(path, map);
        case AudioType::Opus:
            write_file(path, opus_stream());
            return write_tags<TagLib::Ogg::Opus::File>(path, map);
        case AudioType::M4a:
            write_file(path, m4a_stream());
            return write_tags<TagLib::MP4::File>(path, map, false);
        case AudioType::Wma:
            write_file(path, wma_stream());
            return write_tags<TagLib::ASF::File>(path, map, false);
        case AudioType::Wav:
            write_file(path, wav_stream());
            return write_tags<TagLib::RIFF::WAV::File>(path, map, false);
        case AudioType::Musepack:
        case AudioType::WavPack:
            return make_ape_family_file(path, type, {.ape = tags});
    }
}

}  // namespace trackfold::test
