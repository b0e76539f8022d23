<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QuorvelClient::Core::Camera</name>
    <message>
        <location filename="../../core/Camera.cpp" line="235"/>
        <source>not paid for</source>
        <translation>не оплачена</translation>
    </message>
    <message>
        <location filename="../../core/Camera.cpp" line="239"/>
        <source>offline</source>
        <translation>не в сети</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::Core::LocalVideoServer</name>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="199"/>
        <source>online</source>
        <translation>в сети</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="201"/>
        <source>access denied, please check server&apos;s password</source>
        <translation>доступ запрещён, проверьте пароль сервера</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="203"/>
        <source>incorrect answer, maybe, you have old version of server or client</source>
        <translation>некорректный ответ, возможно, у вас старая версия сервера или клиента</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="205"/>
        <location filename="../../core/LocalVideoServer.cpp" line="218"/>
        <source>offline</source>
        <translation>не в сети</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="207"/>
        <source>unknown state</source>
        <translation>неизвестное состояние</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="214"/>
        <source>unavailable: wrong password or old version</source>
        <translation>недоступен: неверный пароль или старая версия</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="216"/>
        <source>old version or bad connection</source>
        <translation>старая версия или плохое соединение</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::Core::VideoServer</name>
    <message>
        <location filename="../../core/VideoServer.cpp" line="261"/>
        <source>cameras were not paid</source>
        <translation>камеры не оплачены</translation>
    </message>
    <message>
        <location filename="../../core/VideoServer.cpp" line="263"/>
        <source>some cameras were not paid</source>
        <translation>некоторые камеры не оплачены</translation>
    </message>
    <message>
        <location filename="../../core/VideoServer.cpp" line="267"/>
        <source>blocked</source>
        <translation>заблокирован</translation>
    </message>
    <message>
        <location filename="../../core/VideoServer.cpp" line="272"/>
        <source>offline</source>
        <translation>не в сети</translation>
    </message>
</context>
</TS>
