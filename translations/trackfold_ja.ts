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
        <source>Se&amp;ttings...</source>
        <translation>設定(&amp;T)...</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="1001"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="309"/>
        <source>&amp;Preview...</source>
        <translation>プレビュー(&amp;P)...</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="1014"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="310"/>
        <source>&amp;Start</source>
        <translation>開始(&amp;S)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.ui" line="1027"/>
        <location filename="../build/src/app/trackfold_gui_autogen/include/ui_main_window.h" line="311"/>
        <source>&amp;End</source>
        <translation>終了(&amp;E)</translation>
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
        <location filename="../src/app/run_texts.cpp" line="41"/>
        <source>left out</source>
        <translation>除外</translation>
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
        <source>; %1 folders failed</source>
        <translation> / 読み込めなかったフォルダー %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="56"/>
        <source>, at least %1 files in them</source>
        <translation> (中のファイル %1 個以上)</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="60"/>
        <source>; %1 sources removed, %2 kept; %3 freed on the source disk</source>
        <translation> / 元のファイル: 削除 %1、残したもの %2 / 元のディスクで %3 を解放</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="63"/>
        <source>; %1 links copied and left in place</source>
        <translation> / リンク %1 件はリンク先をコピーし、リンク自体は残しました</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="67"/>
        <source>; %1 companion files</source>
        <translation> / 付属ファイル %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="67"/>
        <source>; %1 folders left out</source>
        <translation> / 除外したフォルダー %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="72"/>
        <source>; %1 system files left out</source>
        <translation> / 除外したシステムファイル %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="75"/>
        <source>; %1 left out by Ignore</source>
        <translation> / 除外する名前に一致 %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="70"/>
        <source>; %1 files named by tags read in another code page (see Code page)</source>
        <translation> / 別のコードページで読んだタグから名前を付けたファイル %1 件 (各行に記載)</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="74"/>
        <source>; left out: %1; add them with FileTypes</source>
        <translation> / 対象外: %1 (FileTypes に加えると対象になります)</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="74"/>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="83"/>
        <source>%1 ...User Cancel</source>
        <translation>%1 …キャンセルしました</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="85"/>
        <source>%1 ...Disk full</source>
        <translation>%1 …ディスクがいっぱいです</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="93"/>
        <source>%1 | Log: %2</source>
        <translation>%1 | ログ: %2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="94"/>
        <source>%1 | Log not saved: %2</source>
        <translation>%1 | ログを保存できませんでした: %2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="99"/>
        <source>about %1 s left</source>
        <translation>残り約 %1 秒</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="103"/>
        <source>about %1 min left</source>
        <translation>残り約 %1 分</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="105"/>
        <source>about %1 h %2 min left</source>
        <translation>残り約 %1 時間 %2 分</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="110"/>
        <source>%1 files</source>
        <translation>%1 ファイル</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="113"/>
        <source>%1 of %2 files (%3%)</source>
        <translation>%2 ファイル中 %1 (%3%)</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="115"/>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="123"/>
        <source>The log could not be saved in %1: %2</source>
        <translation>ログを %1 に保存できませんでした: %2</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="125"/>
        <source>The log is saved in %1. No program here opens text files: open it with a text editor.</source>
        <translation>ログは %1 に保存しました。テキストファイルを開くプログラムが見つかりません。テキストエディターで開いてください。</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="131"/>
        <source>The run cannot start: %1</source>
        <translation>処理を開始できません: %1</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="135"/>
        <source>Not placed</source>
        <translation>配置できなかったファイル</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="146"/>
        <source>Left out</source>
        <translation>除外したもの</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="141"/>
        <source>The output folder&apos;s disk is full (%1 free, %2 still to copy). The run stopped before the next file; every file placed so far is whole.</source>
        <translation>出力フォルダーのディスクがいっぱいです (空き %1、未コピー %2)。次のファイルの前で処理を止めました。ここまでに配置したファイルはすべて完全です。</translation>
    </message>
    <message>
        <location filename="../src/app/run_texts.cpp" line="144"/>
        <source>The output folder&apos;s disk is full (%1 free). The run stopped before the next file; every file placed so far is whole.</source>
        <translation>出力フォルダーのディスクがいっぱいです (空き %1)。次のファイルの前で処理を止めました。ここまでに配置したファイルはすべて完全です。</translation>
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
        <location filename="../src/app/main_window.cpp" line="166"/>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="167"/>
        <source>&amp;Undo last run...</source>
        <translation>前回の処理を元に戻す(&amp;U)...</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="170"/>
        <source>E&amp;nd</source>
        <translation>終了(&amp;N)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="175"/>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="176"/>
        <source>&amp;About Trackfold</source>
        <translation>Trackfold について(&amp;A)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="190"/>
        <source>Failed Count : </source>
        <translation>失敗したファイル数 : </translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="210"/>
        <source>All lines</source>
        <translation>すべての行</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="211"/>
        <source>Errors</source>
        <translation>エラー</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="212"/>
        <source>Numbered or replaced</source>
        <translation>番号付き・置き換え</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="214"/>
        <source>Which lines of the log the list shows</source>
        <translation>一覧に表示するログの行</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="243"/>
        <source>&amp;Move</source>
        <translation>移動(&amp;M)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="243"/>
        <source>&amp;Start</source>
        <translation>開始(&amp;S)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="266"/>
        <source>Move the files under
%1
to
%2?</source>
        <translation>次のフォルダーの下のファイルを
%1
から
%2
へ移動しますか?</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="268"/>
        <source>Move 1 file from
%1
to
%2?</source>
        <translation>1 個のファイルを
%1
から
%2
へ移動しますか?</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="269"/>
        <source>Move %1 files from
%2
to
%3?</source>
        <translation>%1 個のファイルを
%2
から
%3
へ移動しますか?</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="271"/>
        <source>No file leaves its place before its copy in the output folder is safe on the disk. The move can be undone with File → Undo last run...</source>
        <translation>出力フォルダーのコピーがディスクに安全に書き込まれるまで、元のファイルはその場所から動きません。移動は「ファイル」→「前回の処理を元に戻す...」で元に戻せます。</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="300"/>
        <source>in each output folder, as %1</source>
        <translation>各出力フォルダーの %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="303"/>
        <source>Trackfold %1</source>
        <translation>Trackfold %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="304"/>
        <source>Sorts music files into folders by their artist and album tags.</source>
        <translation>音楽ファイルをアーティストとアルバムのタグでフォルダーに整理します。</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="306"/>
        <source>Free software under the MIT licence: you may use, copy, change and pass it on.</source>
        <translation>MIT ライセンスのフリーソフトウェアです。自由に使用、複製、改変、再配布できます。</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="308"/>
        <source>Settings: %1</source>
        <translation>設定: %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="311"/>
        <source>Log: %1</source>
        <translation>ログ: %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="312"/>
        <source>Record: %1</source>
        <translation>配置記録: %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="313"/>
        <source>About Trackfold</source>
        <translation>Trackfold について</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="604"/>
        <source>Select Input Folder</source>
        <translation>入力フォルダーを選択</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="604"/>
        <source>Select Output Folder</source>
        <translation>出力フォルダーを選択</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="649"/>
        <source>1 source could not be removed and stays where it was, beside its copy in the output folder: %1</source>
        <translation>1 個の元のファイルを削除できなかったため、元の場所に残っています (出力フォルダーにコピーがあります): %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="652"/>
        <source>%1 sources could not be removed and stay where they were, each beside its copy in the output folder. The first: %2</source>
        <translation>%1 個の元のファイルを削除できなかったため、元の場所に残っています (それぞれ出力フォルダーにコピーがあります)。最初のファイル: %2</translation>
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
        <source>&amp;Start</source>
        <translation>開始(&amp;S)</translation>
    </message>
    <message>
        <location filename="../src/app/preview_window.cpp" line="28"/>
        <source>&amp;Cancel</source>
        <translation>キャンセル(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/app/preview_window.cpp" line="30"/>
        <source>Preview: nothing is written</source>
        <translation>プレビュー: 何も書き込みません</translation>
    </message>
    <message>
        <location filename="../src/app/preview_window.cpp" line="90"/>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
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
        <location filename="../src/app/progress_window.cpp" line="40"/>
        <source>&amp;Cancel</source>
        <translation>キャンセル(&amp;C)</translation>
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
        <source>A&amp;lbum folder:</source>
        <translation>アルバムのフォルダー(&amp;L):</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="68"/>
        <source>A&amp;rtist folder:</source>
        <translation>アーティストのフォルダー(&amp;R):</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="69"/>
        <source>U&amp;nknown folder:</source>
        <translation>タグ不明のフォルダー(&amp;N):</translation>
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
        <source>Name the artist folder after the al&amp;bum artist, where a file has one</source>
        <translation>アルバムアーティストのあるファイルは、その名前をアーティストのフォルダー名にする(&amp;B)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="110"/>
        <source>Co&amp;vers, cue sheets and booklets go with their album (a folder whose audio goes to several albums keeps them)</source>
        <translation>ジャケット画像・キューシート・ブックレットもアルバムと一緒に置く (音声が複数のアルバムに分かれるフォルダーでは元の場所に残す)(&amp;V)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="124"/>
        <source>Code &amp;page of 8-bit tag texts:</source>
        <translation>8 ビットのタグ文字列のコードページ(&amp;P):</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="130"/>
        <source>(for example: *.bak; Incomplete*)</source>
        <translation>(例: 未完成*; サンプル*)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="132"/>
        <source>Patterns of file and folder names to leave out, separated by &apos;;&apos;: * is any text, ? one character. System files (._*, .DS_Store, Thumbs.db, desktop.ini) are always left out.</source>
        <translation>除外するファイル名・フォルダー名のパターン。&apos;;&apos; で区切ります。* は任意の文字列、? は 1 文字です。「._」で始まるアップルダブルのファイルやサムネイルのキャッシュなど、システムのファイルは常に除外します。</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="137"/>
        <source>&amp;Ignore names:</source>
        <translation>除外する名前(&amp;I):</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="127"/>
        <source>&amp;Copy the files (the sources stay)</source>
        <translation>ファイルをコピーする (元のファイルはそのまま)(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="130"/>
        <source>&amp;Move the files (the sources are removed once their copy is safe)</source>
        <translation>ファイルを移動する (コピーが安全に書き込まれてから元のファイルを削除)(&amp;M)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="116"/>
        <source>Judged for each album, %1 first</source>
        <translation>アルバムごとに判定 (%1 を優先)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="118"/>
        <source>Empty or the first choice: each album&apos;s code page is judged from its tags, your language&apos;s first. A code page named here reads every tag.</source>
        <translation>空欄または先頭の選択肢: アルバムごとにタグからコードページを判定します (言語の設定のコードページを優先)。ここで指定したコードページは、すべてのタグの読み取りに使います。</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="22"/>
        <source>Western European</source>
        <translation>西ヨーロッパ</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="23"/>
        <source>Central European</source>
        <translation>中央ヨーロッパ</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="24"/>
        <source>Russian</source>
        <translation>ロシア語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="25"/>
        <source>Greek</source>
        <translation>ギリシャ語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="26"/>
        <source>Turkish</source>
        <translation>トルコ語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="27"/>
        <source>Hebrew</source>
        <translation>ヘブライ語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="28"/>
        <source>Arabic</source>
        <translation>アラビア語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="29"/>
        <source>Baltic</source>
        <translation>バルト諸語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="30"/>
        <source>Vietnamese</source>
        <translation>ベトナム語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="31"/>
        <source>Thai</source>
        <translation>タイ語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="32"/>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="33"/>
        <source>Chinese, simplified</source>
        <translation>中国語 (簡体字)</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="34"/>
        <source>Chinese, traditional</source>
        <translation>中国語 (繁体字)</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="35"/>
        <source>Korean</source>
        <translation>韓国語</translation>
    </message>
    <message>
        <location filename="../src/app/code_page_choices.cpp" line="36"/>
        <source>Latin-1</source>
        <translation>ラテン 1</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="126"/>
        <source>Mode</source>
        <translation>モード</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="290"/>
        <source>Put each disc of an album of several discs into a &quot;&amp;Disc N&quot; folder</source>
        <translation>複数枚組のアルバムは、ディスクごとのフォルダーに分ける(&amp;D)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="290"/>
        <source>La&amp;yout under the output folder</source>
        <translation>出力フォルダーの下の配置(&amp;Y)</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="290"/>
        <source>Cannot be used: %1</source>
        <translation>使えません: %1</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="290"/>
        <source>No music file in the input folder to show an example by</source>
        <translation>例を示す音楽ファイルが入力フォルダーにありません</translation>
    </message>
    <message>
        <location filename="../src/app/settings_dialog.cpp" line="290"/>
        <source>For example: %1</source>
        <translation>例: %1</translation>
    </message>
</context>
<context>
    <name>trackfold::UndoWindow</name>
    <message>
        <location filename="../src/app/undo_window.cpp" line="31"/>
        <source>&amp;Undo</source>
        <translation>元に戻す(&amp;U)</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="32"/>
        <source>&amp;Cancel</source>
        <translation>キャンセル(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="33"/>
        <source>Undo last run</source>
        <translation>前回の処理を元に戻す</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="78"/>
        <source>kept</source>
        <translation>保持</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="99"/>
        <source>Looking at what an undo would do...</source>
        <translation>元に戻す内容を確認しています...</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="108"/>
        <source>Stopped: nothing was changed.</source>
        <translation>中止しました: 何も変更していません。</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="109"/>
        <source>Nothing to undo in %1: %2</source>
        <translation>%1 には元に戻せる処理がありません: %2</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="110"/>
        <location filename="../src/app/undo_window.cpp" line="155"/>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="113"/>
        <source>Nothing is changed yet. An undo of run %1 in %2 would do this:</source>
        <translation>まだ何も変更していません。%2 の処理 %1 を元に戻すと、次のようになります:</translation>
    </message>
    <message>
        <location filename="../src/app/undo_window.cpp" line="117"/>
        <location filename="../src/app/undo_window.cpp" line="149"/>
        <source>The files marked &quot;kept&quot; stay where they are; each line says why.</source>
        <translation>「保持」と表示されたファイルはそのまま残ります。理由は各行に表示されます。</translation>
    </message>
</context>
</TS>
