<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../src/app/main_window.ui" line="29"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="288"/>
        <source>Copy Count Status</source>
        <translation>コピー件数</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="41"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="289"/>
        <source>Unknown File Count : </source>
        <translation>タグ不明 : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="149"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="291"/>
        <source>Album + Artist Count : </source>
        <translation>アルバム+アーティスト : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="257"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="293"/>
        <source>Album Only Count : </source>
        <translation>アルバムのみ : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="365"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="295"/>
        <source>Artist Only Count : </source>
        <translation>アーティストのみ : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="474"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="297"/>
        <source>Select Folder</source>
        <translation>フォルダーの選択</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="486"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="298"/>
        <source>Input Folder : </source>
        <translation>入力フォルダー : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="528"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="299"/>
        <source>Output Folder : </source>
        <translation>出力フォルダー : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="607"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="300"/>
        <source>Move mode: files are moved, not copied</source>
        <translation>移動モード: ファイルはコピーではなく移動されます</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="633"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="302"/>
        <source>Read File Count : </source>
        <translation>読み込んだファイル数 : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="741"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="304"/>
        <source>Read File Status : </source>
        <translation>処理中のファイル : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="850"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="306"/>
        <source>Log :</source>
        <translation>ログ :</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="971"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="307"/>
        <source>Trackfold — your MP3s, sorted</source>
        <translation>Trackfold — MP3 をタグで整理</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="988"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="308"/>
        <source>Settings...</source>
        <translation>設定...</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="1001"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="309"/>
        <source>Preview...</source>
        <translation>プレビュー...</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="1014"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="310"/>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="1027"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="311"/>
        <source>End</source>
        <translation>終了</translation>
    </message>
</context>
<context>
    <name>RunTexts</name>
    <message>
        <location filename="../src/app/run_texts.cpp" line="27"/>
        <source>copied</source>
        <translation>コピー</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="29"/>
        <source>already there</source>
        <translation>既存</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="31"/>
        <source>replaced</source>
        <translation>置き換え</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="33"/>
        <source>numbered</source>
        <translation>番号付き</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="35"/>
        <source>moved</source>
        <translation>移動</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="37"/>
        <source>source kept</source>
        <translation>元を保持</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="39"/>
        <source>error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="47"/>
        <source>Summary: %1 moved, %2 already there, %3 replaced, %4 numbered, %5 failed</source>
        <translation>結果: 移動 %1、既存 %2、置き換え %3、番号付き %4、失敗 %5</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="49"/>
        <source>Summary: %1 copied, %2 already there, %3 replaced, %4 numbered, %5 failed</source>
        <translation>結果: コピー %1、既存 %2、置き換え %3、番号付き %4、失敗 %5</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="54"/>
        <source>; %1 sources removed, %2 kept; %3 freed on the source disk</source>
        <translation> / 元のファイル: 削除 %1、残したもの %2 / 元のディスクで %3 を解放</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="57"/>
        <source>; %1 links copied and left in place</source>
        <translation> / リンク %1 件はリンク先をコピーし、リンク自体は残しました</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="61"/>
        <source>; %1 folders left out</source>
        <translation> / 除外したフォルダー %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="68"/>
        <source>; left out: %1; add them with FileTypes</source>
        <translation> / 対象外: %1 (FileTypes に加えると対象になります)</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="68"/>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="75"/>
        <source>%1 ...User Cancel</source>
        <translation>%1 …キャンセルしました</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="80"/>
        <source>%1 | Log: %2</source>
        <translation>%1 | ログ: %2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="81"/>
        <source>%1 | Log not saved: %2</source>
        <translation>%1 | ログを保存できませんでした: %2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="86"/>
        <source>about %1 s left</source>
        <translation>残り約 %1 秒</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="90"/>
        <source>about %1 min left</source>
        <translation>残り約 %1 分</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="92"/>
        <source>about %1 h %2 min left</source>
        <translation>残り約 %1 時間 %2 分</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="97"/>
        <source>%1 files</source>
        <translation>%1 ファイル</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="100"/>
        <source>%1 of %2 files (%3%)</source>
        <translation>%2 ファイル中 %1 (%3%)</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="102"/>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="110"/>
        <source>The log could not be saved in %1: %2</source>
        <translation>ログを %1 に保存できませんでした: %2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="112"/>
        <source>The log is saved in %1. No program here opens text files: open it with a text editor.</source>
        <translation>ログは %1 に保存しました。テキストファイルを開くプログラムが見つかりません。テキストエディターで開いてください。</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="118"/>
        <source>The run cannot start: %1</source>
        <translation>処理を開始できません: %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="122"/>
        <source>Not placed</source>
        <translation>配置できなかったファイル</translation>
    </message>
</context>
<context>
    <name>trackfold</name>
    <message>
        <location filename="../src/app/messages.cpp" line="48"/>
        <source>Do you want to cancel the run?</source>
        <translation>処理をキャンセルしますか?</translation>
    </message>
    <message>
        <location filename="../src/app/messages.cpp" line="52"/>
        <source>Trackfold is already running.</source>
        <translation>すでに起動されています。</translation>
    </message>
</context>
<context>
    <name>trackfold::MainWindow</name>
    <message>
        <location filename="../src/app/main_window.cpp" line="348"/>
        <source>Select Input Folder</source>
        <translation>入力フォルダーを選択</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="348"/>
        <source>Select Output Folder</source>
        <translation>出力フォルダーを選択</translation>
    </message>
</context>
<context>
    <name>trackfold::PlanTreeModel</name>
    <message>
        <location filename="../src/app/plan_tree_model.cpp" line="106"/>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <location filename="../src/app/plan_tree_model.cpp" line="106"/>
        <source>Files</source>
        <translation>ファイル数</translation>
    </message>
    <message>
        <location filename="../src/app/plan_tree_model.cpp" line="107"/>
        <source>Action</source>
        <translation>処理</translation>
    </message>
</context>
<context>
    <name>trackfold::PreviewWindow</name>
    <message>
        <location filename="../src/app/preview_window.cpp" line="27"/>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <location filename="../src/app/preview_window.cpp" line="28"/>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <location filename="../src/app/preview_window.cpp" line="30"/>
        <source>Preview: nothing is written</source>
        <translation>プレビュー: 何も書き込みません</translation>
    </message>
    <message>
        <location filename="../src/app/preview_window.cpp" line="88"/>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
</context>
<context>
    <name>trackfold::ProgressWindow</name>
    <message>
        <location filename="../src/app/progress_window.cpp" line="28"/>
        <source>Running...</source>
        <translation>実行中...</translation>
    </message>
    <message>
        <location filename="../src/app/progress_window.cpp" line="38"/>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>trackfold::SettingsDialog</name>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="58"/>
        <source>Settings</source>
        <translation>設定</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="67"/>
        <source>Album folder:</source>
        <translation>アルバムのフォルダー:</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="68"/>
        <source>Artist folder:</source>
        <translation>アーティストのフォルダー:</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="69"/>
        <source>Unknown folder:</source>
        <translation>タグ不明のフォルダー:</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="75"/>
        <source>(empty: straight into the output folder)</source>
        <translation>(空欄: 出力フォルダーの直下)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="82"/>
        <source>File types to sort</source>
        <translation>整理するファイルの種類</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="98"/>
        <source>Also in the file, kept but not read: %1</source>
        <translation>設定ファイルにあり、残すが読み込まない種類: %1</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="105"/>
        <source>Name the artist folder after the album artist, where a file has one</source>
        <translation>アルバムアーティストのあるファイルは、その名前をアーティストのフォルダー名にする</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="120"/>
        <source>From your language (%1)</source>
        <translation>言語の設定から (%1)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="124"/>
        <source>Code page of 8-bit tag texts:</source>
        <translation>8 ビットのタグ文字列のコードページ:</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="126"/>
        <source>Mode</source>
        <translation>モード</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="127"/>
        <source>Copy the files (the sources stay)</source>
        <translation>ファイルをコピーする (元のファイルはそのまま)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="129"/>
        <source>Move the files (the sources are removed once their copy is safe)</source>
        <translation>ファイルを移動する (コピーが安全に書き込まれてから元のファイルを削除)</translation>
    </message>
</context>
</TS>
