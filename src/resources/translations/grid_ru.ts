<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QuorvelClient::GUI::VideoContainer</name>
    <message>
        <location filename="../../gui/video/VideoContainer.cpp" line="83"/>
        <source>Select camera</source>
        <translation>Выберите камеру</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::VideoWidget</name>
    <message>
        <location filename="../../gui/video/VideoSearchZone.cpp" line="65"/>
        <source>Hide search area</source>
        <translation>Скрыть область поиска</translation>
    </message>
    <message>
        <location filename="../../gui/video/VideoSearchZone.cpp" line="481"/>
        <source>Search area</source>
        <translation>Область поиска</translation>
    </message>
</context>
</TS>
