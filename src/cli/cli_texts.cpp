#include "cli/cli_texts.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "cli/cli_options.h"
#include "engine/lines/line_texts.h"

namespace trackfold {

namespace {

struct Entry {
    CliText id;
    const char* english;
    const char* japanese;
};

// In the order of CliText, which the check below holds to.
constexpr Entry kTexts[] = {
    {CliText::OutputEmpty, "the output folder must not be empty", "出力フォルダーが空です"},
    {CliText::FoldersEmpty, "the input and the output folder must not be empty",
     "入力フォルダーと出力フォルダーを空にはできません"},
    {CliText::PrivateSettings, "cannot make the private copy of the settings for the options",
     "オプション用の設定の一時コピーを作れません"},
    {CliText::LogNotWritten, "cannot write the log file %1: %2",
     "ログファイル %1 を書き込めません: %2"},
    {CliText::UnknownOption, "unknown option %1", "不明なオプションです: %1"},
    {CliText::NeedsValue, "%1 needs a value", "%1 には値が必要です"},
    {CliText::NoLineBreak, "%1 cannot take a value with a line break", "%1 の値に改行は使えません"},
    {CliText::ZeroOrOne, "%1 takes 0 or 1, not \"%2\"",
     "%1 には 0 か 1 を指定します (\"%2\" は使えません)"},
    {CliText::CompactTakesOnly, "--compact-record takes only --trust-record",
     "--compact-record と一緒に使えるのは --trust-record だけです"},
    {CliText::CompactNeedsOutput, "--compact-record needs the output folder (see --help)",
     "--compact-record には出力フォルダーが必要です (--help を参照)"},
    {CliText::UndoTakesOnly, "--undo takes only --run, --preview and --trust-record",
     "--undo と一緒に使えるのは --run、--preview、--trust-record だけです"},
    {CliText::UndoNeedsOutput, "--undo needs the output folder (see --help)",
     "--undo には出力フォルダーが必要です (--help を参照)"},
    {CliText::GoesWithUndo, "%1 goes with --undo", "%1 は --undo と一緒に使います"},
    {CliText::PreviewTakesNoLog, "--preview writes nothing, so it takes no --log",
     "--preview は何も書き込まないため、--log は使えません"},
    {CliText::NeedsTwoFolders, "needs an input and an output folder (see --help)",
     "入力フォルダーと出力フォルダーが必要です (--help を参照)"},
    {CliText::Files, "%1 files", "%1 ファイル"},
    {CliText::FilesOfTotal, "%1 of %2 files (%3%)", "%2 ファイル中 %1 (%3%)"},
    {CliText::SecondsLeft, "about %1 s left", "残り約 %1 秒"},
    {CliText::MinutesLeft, "about %1 min left", "残り約 %1 分"},
    {CliText::HoursLeft, "about %1 h %2 min left", "残り約 %1 時間 %2 分"},
    {CliText::Rate, "%1, %2 files/s, %3", "%1、毎秒 %2 ファイル、%3"},
    {CliText::Joined, "%1, %2", "%1、%2"},
};
static_assert(std::size(kTexts) == static_cast<std::size_t>(CliText::Count));

constexpr bool in_order() {
    for (std::size_t i = 0; i < std::size(kTexts); ++i) {
        if (static_cast<std::size_t>(kTexts[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(in_order());

const char* const kJapaneseUsage = R"(使い方: trackfold-cli [オプション] 入力 出力
        trackfold-cli --undo [--run ID] [--preview] [--trust-record] 出力
        trackfold-cli --compact-record [--trust-record] 出力
入力フォルダー以下のすべての音楽ファイルを、アーティストとアルバムのタグで分けて出力フォルダーに
コピーします (--move では移動します)。Trackfold のウィンドウと同じ処理です。コピーでは元の
ファイルを読むだけです。実行はすべて 出力/.trackfold-record.txt に記録され、--undo で最後の実行
(または実行 ID の実行) が作ったファイルを取り除けます。

オプション:
  --settings ファイル    読み込む設定ファイル (既定: ウィンドウと同じもの)。書き込みはしません
  --album-folder 名前    アルバムタグのあるファイルを入れるサブフォルダー
  --artist-folder 名前   アーティストタグだけがあるファイルを入れるサブフォルダー
  --unknown-folder 名前  どちらのタグもないファイルを入れるサブフォルダー
  --code-page 名前       8 ビットのタグ文字列のコードページ (例: CP932)。auto (既定) では
                         アルバムごとにタグから判定する (言語の設定のコードページを優先)
  --file-types 一覧      対象にする拡張子 (例: "mp3 flac m4a")
  --album-artist 0|1     1: アルバムアーティストをアーティストのフォルダー名にする
  --disc-folders 0|1     1: 複数枚組のアルバムのファイルを「Disc N」フォルダーに分ける
  --layout テンプレート  出力フォルダーの下の置き場所の形 (例: "{artist}/{album}/{track:2} {title}")
  --log ファイル         ログファイルをそこにも書き込む
  --preview              何も書き込まない。出力フォルダーの今の中身から選ぶ名前で、実行した
                         場合の行を表示する
  --move                 コピーではなく移動する: 各ファイルは移動先の録音がそろってから元を
                         削除する (設定キー Mode=move)
  --json                 ログの行の代わりに、各イベントを 1 行ずつ JSON オブジェクトで表示する
                         (項目はマニュアルページを参照)
  --undo                 出力フォルダーに記録された最後の実行を元に戻す: その実行が作った
                         ファイルのうち作ったときのままのものと、空になったフォルダーを取り除く
  --run ID               --undo と一緒に: 元に戻す実行 (記録にある名前)
  --compact-record       出力フォルダーの記録を、もう要らない行を除いて書き直す: 読めない行と、
                         すべて元に戻された実行とその取り消しの行 (完了した取り消しは、記録の
                         行の半分より多くを除けるとき自動で書き直す)
  --trust-record         --undo または --compact-record と一緒に: 他のユーザーが所有する記録や
                         他人が書き込める記録も使う (FAT と exFAT ではすべてのファイルがそう見える)
  --help                 この説明
  --version              バージョン

標準出力にはログの行を、端末の標準エラーには進み具合とエラーを出します。
終了ステータス: 0 すべてのファイルを配置した (--undo では、すべて元に戻した)、1 エラーの行を
記録した (またはファイルを残した)、2 使い方の誤り、または開始できなかった実行 (使えない
フォルダーや設定ファイル、読めない記録、出力フォルダーへの実行中の取り消しや書き直し)、
130 Ctrl-C または SIGTERM により、処理中のファイルの後で停止した。
)";

CliLanguage g_language = CliLanguage::English;

bool starts_with(const char* text, std::string_view start) {
    return std::string_view(text).substr(0, start.size()) == start;
}

bool is_set(const char* variable) {
    return variable != nullptr && *variable != '\0';
}

}  // namespace

CliLanguage language_from(const char* language, const char* lc_all, const char* lc_messages,
                          const char* lang) {
    const char* locale = is_set(lc_all)        ? lc_all
                         : is_set(lc_messages) ? lc_messages
                         : is_set(lang)        ? lang
                                               : "C";
    if (starts_with(locale, "C") && (locale[1] == '\0' || locale[1] == '.')) {
        return CliLanguage::English;
    }
    if (std::string_view(locale) == "POSIX") {
        return CliLanguage::English;
    }
    const char* chosen = is_set(language) ? language : locale;
    return starts_with(chosen, "ja") ? CliLanguage::Japanese : CliLanguage::English;
}

void use_environment_language() {
    g_language = language_from(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                               std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

const char* cli_template(CliLanguage language, CliText id) {
    const Entry& entry = kTexts[static_cast<std::size_t>(id)];
    return language == CliLanguage::Japanese ? entry.japanese : entry.english;
}

std::string cli_text_in(CliLanguage language, CliText id,
                        std::initializer_list<std::string> arguments) {
    const std::string_view text = cli_template(language, id);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t number = i + 1 < text.size() ? text[i + 1] - '1' : arguments.size();
        if (text[i] == '%' && number < arguments.size()) {
            out += arguments.begin()[number];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string cli_text(CliText id, std::initializer_list<std::string> arguments) {
    return cli_text_in(g_language, id, arguments);
}

const char* cli_usage() {
    return g_language == CliLanguage::Japanese ? kJapaneseUsage : kCliUsage;
}

namespace {

std::string time_left(long seconds) {
    if (seconds < 60) {
        return cli_text(CliText::SecondsLeft, {std::to_string(std::max(seconds, 1L))});
    }
    const long minutes = (seconds + 30) / 60;
    if (minutes < 60) {
        return cli_text(CliText::MinutesLeft, {std::to_string(minutes)});
    }
    return cli_text(CliText::HoursLeft,
                    {std::to_string(minutes / 60), std::to_string(minutes % 60)});
}

}  // namespace

std::string cli_progress_text(const ProgressView& view) {
    if (!view.total) {
        return cli_text(CliText::Files, {with_thousands(view.done)});
    }
    std::string text = cli_text(
        CliText::FilesOfTotal,
        {with_thousands(view.done), with_thousands(*view.total), std::to_string(*view.percent)});
    if (view.seconds_left) {
        text = cli_text(CliText::Joined, {text, time_left(*view.seconds_left)});
    }
    return text;
}

}  // namespace trackfold
