<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QuorvelClient::GUI::Timeline</name>
    <message>
        <location filename="../../gui/playback/widgets/Timeline.cpp" line="223"/>
        <source>Close search results</source>
        <translation>Закрыть результаты поиска</translation>
    </message>
</context>
</TS>
