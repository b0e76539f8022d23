<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QuorvelClient::GUI::VideoWidget</name>
    <message>
        <location filename="../../gui/video/VideoWidget.cpp" line="381"/>
        <location filename="../../gui/video/VideoWidget.cpp" line="894"/>
        <location filename="../../gui/video/VideoWidget.cpp" line="896"/>
        <source>Camera is %1</source>
        <translation>Камера %1</translation>
    </message>
    <message>
        <location filename="../../gui/video/VideoWidget.cpp" line="894"/>
        <source>Stopped</source>
        <translation>Остановлено</translation>
    </message>
    <message>
        <location filename="../../gui/video/VideoWidget.cpp" line="898"/>
        <location filename="../../gui/video/VideoWidget.cpp" line="907"/>
        <source>No archive</source>
        <translation>Нет архива</translation>
    </message>
    <message>
        <location filename="../../gui/video/VideoWidget.cpp" line="905"/>
        <source>Videoserver disconnected</source>
        <translation>Видеосервер отключён</translation>
    </message>
    <message>
        <location filename="../../gui/video/VideoWidget.cpp" line="905"/>
        <location filename="../../gui/video/VideoWidget.cpp" line="911"/>
        <source>Trying to reconnect...</source>
        <translation>Попытка переподключения...</translation>
    </message>
    <message>
        <location filename="../../gui/video/VideoWidget.cpp" line="907"/>
        <source>Record ended</source>
        <translation>Запись закончилась</translation>
    </message>
    <message>
        <location filename="../../gui/video/VideoWidget.cpp" line="911"/>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
</context>
</TS>
