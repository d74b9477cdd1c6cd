#include "collection.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <random>
#include <set>
#include <string_view>
#include <vector>

#include "engine/naming/folder_names.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace trackfold::bench {

namespace {

using test::BrokenMp3;
using test::Mp3Tags;
using test::TagKind;

class Random {
  public:
    std::size_t below(std::size_t n) { return engine_() % n; }
    std::size_t between(std::size_t low, std::size_t high) { return low + below(high - low + 1); }
    bool per_mille(std::size_t n) { return below(1000) < n; }
    template <std::size_t N>
    std::string pick(const std::array<std::string_view, N>& words) {
        return std::string(words[below(N)]);
    }

  private:
    std::mt19937 engine_{20240611};
};

// Names in the scripts a real collection holds; Latin and Accented fit in ID3v1's Latin-1.
enum class Script { Latin, Accented, Japanese, Cyrillic };

struct Words {
    std::array<std::string_view, 8> first;
    std::array<std::string_view, 8> second;
    std::array<std::string_view, 8> albums;
    std::array<std::string_view, 8> titles;
    const char* joiner;
    std::array<std::string_view, 2> genres;
};

const Words& words_of(Script script) {
    static const Words latin{
        {"Silver", "Quiet", "Electric", "Northern", "Velvet", "Crimson", "Paper", "Midnight"},
        {"Harbor", "Owls", "Engines", "Lanterns", "Rivers", "Pilots", "Tides", "Signals"},
        {"First Light", "Songs for the Road", "Live at the Harbor", "Greatest Hits", "Night Drive",
         "Echoes", "Blue Hour", "Winter Tapes"},
        {"Intro", "Falling", "Home Again", "The Long Way", "Satellite", "Lights Out", "Ghosts",
         "Gravity"},
        " ",
        {"Rock", "Electronic"}};
    static const Words accented{
        {"Élan", "Mädchen", "Niño", "Señor", "Crème", "Øresund", "Zoë", "Café"},
        {"Quartett", "Ensemble", "Trío", "Kollektiv", "Brûlée", "Orkestar", "Söhne", "Frères"},
        {"Éclat", "Träume", "Canción del Mar", "Été indien", "Übermorgen", "Año nuevo", "Ça va",
         "Fjäril"},
        {"Für dich", "Niñas", "Café du Nord", "Über den Wolken", "Déjà vu", "Mañana", "Smörgås",
         "Où es-tu"},
        " ",
        {"Jazz", "Klassik"}};
    static const Words japanese{
        {"東京", "夜明け", "青い", "星屑", "風の", "月影", "銀河", "桜"},
        {"楽団", "バンド", "シスターズ", "オーケストラ", "少年", "トリオ", "クラブ", "ボーイズ"},
        {"夏の終わり", "ベスト", "東京の夜", "さよなら", "青空", "ライブ", "はじまり", "白い道"},
        {"夜明け", "さくら", "帰り道", "ありがとう", "雨の日", "約束", "星空", "ふるさと"},
        "",
        {"J-Pop", "アニメ"}};
    static const Words cyrillic{
        {"Белые", "Ночные", "Тихие", "Северные", "Старые", "Новые", "Синие", "Дальние"},
        {"Ночи", "Звёзды", "Птицы", "Реки", "Дороги", "Города", "Огни", "Ветра"},
        {"Зима", "Дорога домой", "Огни", "Лучшее", "Живой звук", "Весна", "Берег", "Утро"},
        {"Ветер", "Снег", "Дом", "Песня", "Прощай", "Небо", "Поезд", "Город"},
        " ",
        {"Русский рок", "Rock"}};
    switch (script) {
        case Script::Latin:
            return latin;
        case Script::Accented:
            return accented;
        case Script::Japanese:
            return japanese;
        case Script::Cyrillic:
            break;
    }
    return cyrillic;
}

constexpr std::size_t kFrameBytes = 417;  // what test::mpeg_audio makes

enum class Scheme { Id3v23, Id3v23WithV1, Id3v24, Id3v1, Ape, Untagged };

const char* mix_name(Scheme scheme) {
    switch (scheme) {
        case Scheme::Id3v23:
            return "ID3v2.3 (UTF-16)";
        case Scheme::Id3v23WithV1:
            return "ID3v2.3 + ID3v1";
        case Scheme::Id3v24:
            return "ID3v2.4 (UTF-8)";
        case Scheme::Id3v1:
            return "ID3v1 only";
        case Scheme::Ape:
            return "APE";
        case Scheme::Untagged:
            break;
    }
    return "untagged";
}

std::string two_digits(std::size_t n) {
    std::string digits = std::to_string(n);
    if (n < 10) {
        digits.insert(digits.begin(), '0');
    }
    return digits;
}

class CollectionMaker {
  public:
    CollectionMaker(const fs::path& root, std::size_t mp3_count, std::size_t average_kb)
        : root_(root), wanted_(mp3_count) {
        // Sizes spread evenly from half to one and a half times the average.
        const std::size_t average_frames =
            std::max<std::size_t>(4, average_kb * 1000 / kFrameBytes);
        fewest_frames_ = average_frames / 2;
        audio_ = test::mpeg_audio(static_cast<int>(average_frames + average_frames / 2));
    }

    Collection make() {
        while (made_ < wanted_) {
            make_artist();
        }
        count_tree();
        return collection_;
    }

  private:
    // Music files differ from each other, in size too: copies of one file would be merged by
    // the sort, and files of one size are compared byte by byte when they meet under one name.
    std::string some_audio() {
        const std::size_t frames =
            fewest_frames_ + random_.below(audio_.size() / kFrameBytes - fewest_frames_ + 1);
        std::string audio = audio_.substr(0, frames * kFrameBytes);
        const std::string serial = std::to_string(made_);
        audio.replace(audio.size() - 64, serial.size(), serial);
        audio.append(random_.below(kFrameBytes), '\0');
        return audio;
    }

    Script some_script() {
        const std::size_t roll = random_.below(100);
        return roll < 60   ? Script::Latin
               : roll < 75 ? Script::Accented
               : roll < 90 ? Script::Japanese
                           : Script::Cyrillic;
    }

    std::string unique_artist(Script script) {
        const Words& words = words_of(script);
        std::string name = random_.pick(words.first) + words.joiner + random_.pick(words.second);
        if (script == Script::Latin && random_.per_mille(300)) {
            name = "The " + name;
        }
        if (script == Script::Latin && random_.per_mille(20)) {
            // Reserved characters in a tag, as in "AC/DC".
            name = random_.pick(words.first) + "/" + random_.pick(words.second) + "?";
        }
        const std::size_t uses = ++artist_uses_[name];
        return uses == 1 ? name : name + " " + std::to_string(uses);
    }

    Scheme some_scheme(Script script) {
        const std::size_t roll = random_.below(100);
        const bool latin1 = script == Script::Latin || script == Script::Accented;
        return roll < 30   ? Scheme::Id3v23
               : roll < 40 ? Scheme::Id3v23WithV1
               : roll < 70 ? Scheme::Id3v24
               : roll < 80 ? (latin1 ? Scheme::Id3v1 : Scheme::Id3v24)
               : roll < 92 ? Scheme::Ape
                           : Scheme::Untagged;
    }

    // Ten shelves of the same mix, one for each tenth of the files, so that whatever order the
    // disk lists them in, the first tenth of a run and the last hold files of the same kinds.
    fs::path shelf() const { return root_ / ("Shelf " + std::to_string(made_ * 10 / wanted_ + 1)); }

    void make_artist() {
        const Script script = some_script();
        const Words& words = words_of(script);
        const std::string artist = unique_artist(script);
        const std::string genre = random_.per_mille(100) ? "Downloads" : random_.pick(words.genres);
        const fs::path artist_folder = shelf() / genre / safe_folder_name(artist);
        const std::size_t albums = random_.between(1, 5);
        for (std::size_t i = 0; i < albums && made_ < wanted_; ++i) {
            const std::string title = random_.pick(words.albums);
            std::string album = title;
            for (int volume = 2; !album_names_.emplace(artist + '\n' + album).second; ++volume) {
                album = title + " Vol. " + std::to_string(volume);
            }
            const Scheme scheme = some_scheme(script);
            if (scheme == Scheme::Untagged) {
                make_rip(script, artist);
                continue;
            }
            // Hand-tagged collections spell an artist differently from album to album.
            std::string tagged_artist = artist;
            if (random_.per_mille(30)) {
                std::transform(tagged_artist.begin(), tagged_artist.end(), tagged_artist.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            }
            const fs::path album_folder = artist_folder / safe_folder_name(album);
            const std::size_t discs = random_.per_mille(80) ? 2 : 1;
            for (std::size_t disc = 1; disc <= discs; ++disc) {
                const fs::path folder =
                    discs == 1 ? album_folder : album_folder / ("CD" + std::to_string(disc));
                make_album_files(folder, script, scheme, tagged_artist, album);
            }
        }
    }

    void make_album_files(const fs::path& folder, Script script, Scheme scheme,
                          const std::string& artist, const std::string& album) {
        const Words& words = words_of(script);
        const std::size_t tracks = random_.between(8, 14);
        for (std::size_t track = 1; track <= tracks && made_ < wanted_; ++track) {
            Mp3Tags tags{.artist = artist, .album = album};
            // A few files lost one of the two texts.
            if (random_.per_mille(30)) {
                tags.album.clear();
            } else if (random_.per_mille(20)) {
                tags.artist.clear();
            }
            const std::string name = two_digits(track) + " - " + random_.pick(words.titles) +
                                     (random_.per_mille(20) ? ".MP3" : ".mp3");
            make_tagged(folder / name, scheme, tags);
        }
        make_extras(folder);
    }

    void make_tagged(const fs::path& path, Scheme scheme, Mp3Tags tags) {
        if (random_.per_mille(1)) {
            test::make_broken_mp3(path, BrokenMp3::Noise);
            ++collection_.broken_files;
            ++collection_.mix["broken (no tag, no audio)"];
            ++made_;
            return;
        }
        switch (scheme) {
            case Scheme::Id3v23:
            case Scheme::Id3v23WithV1:
                tags.kind = TagKind::Id3v23;
                break;
            case Scheme::Id3v24:
                tags.kind = TagKind::Id3v24;
                break;
            case Scheme::Id3v1:
                tags.kind = TagKind::Id3v1;
                break;
            case Scheme::Ape:
                tags.kind = TagKind::Ape;
                break;
            case Scheme::Untagged:
                tags.kind = TagKind::None;
                break;
        }
        if (scheme == Scheme::Id3v23WithV1) {
            Mp3Tags v1 = tags;
            v1.kind = TagKind::Id3v1;
            test::make_mp3_with_tags(path, {tags, v1}, some_audio());
        } else {
            test::make_mp3(path, tags, some_audio());
        }
        ++collection_.mix[mix_name(scheme)];
        ++made_;
    }

    // Untagged files straight off a CD: half keep the ripper's "Track NN" names, so different
    // discs meet under the same name in the output.
    void make_rip(Script script, const std::string& artist) {
        const Words& words = words_of(script);
        const fs::path folder = shelf() / "Rips" / ("Disc " + std::to_string(++rips_));
        const bool generic_names = random_.per_mille(500);
        const std::size_t tracks = random_.between(8, 14);
        for (std::size_t track = 1; track <= tracks && made_ < wanted_; ++track) {
            const std::string name = generic_names ? "Track " + two_digits(track) + ".mp3"
                                                   : safe_folder_name(artist) + " - " +
                                                         random_.pick(words.titles) + " " +
                                                         two_digits(track) + ".mp3";
            make_tagged(folder / name, Scheme::Untagged, Mp3Tags{.kind = TagKind::None});
        }
        make_extras(folder);
    }

    void make_extras(const fs::path& folder) {
        if (random_.per_mille(100)) {
            test::write_file(folder / "cover.jpg", test::noise(random_.between(10'000, 40'000)));
        }
        if (random_.per_mille(40)) {
            test::write_file(folder / "playlist.m3u", "#EXTM3U\n01.mp3\n02.mp3\n");
        }
        if (random_.per_mille(20)) {
            test::write_file(folder / "desktop.ini", "[.ShellClassInfo]\nIconResource=x\n");
        }
    }

    void count_tree() {
        for (const auto& entry : fs::recursive_directory_iterator(root_)) {
            if (entry.is_directory()) {
                ++collection_.folders;
                continue;
            }
            const std::uintmax_t size = entry.file_size();
            std::string extension = entry.path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            collection_.all_bytes += size;
            if (extension == ".mp3") {
                ++collection_.mp3_files;
                collection_.mp3_bytes += size;
            } else {
                ++collection_.other_files;
            }
        }
    }

    fs::path root_;
    std::size_t wanted_;
    std::size_t made_ = 0;
    std::size_t rips_ = 0;
    Random random_;
    std::size_t fewest_frames_;
    std::string audio_;  // the most frames a file gets; a file takes a prefix
    std::map<std::string, std::size_t> artist_uses_;
    std::set<std::string> album_names_;
    Collection collection_;
};

}  // namespace

Collection make_collection(const fs::path& root, std::size_t mp3_count, std::size_t average_kb) {
    return CollectionMaker(root, mp3_count, average_kb).make();
}

}  // namespace trackfold::bench
