<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>trackfold</name>
    <message>
        <source>Do you want to cancel the run?</source>
        <translation>処理をキャンセルしますか?</translation>
    </message>
    <message>
        <source>Trackfold is already running.</source>
        <translation>すでに起動されています。</translation>
    </message>
</context>
</TS>
