<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QuorvelClient::Core::Camera</name>
    <message>
        <location filename="../../core/Camera.cpp" line="239"/>
        <source>not paid for</source>
        <translation>не оплачена</translation>
    </message>
    <message>
        <location filename="../../core/Camera.cpp" line="243"/>
        <source>offline</source>
        <translation>не в сети</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::Core::LocalVideoServer</name>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="194"/>
        <source>online</source>
        <translation>в сети</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="196"/>
        <source>access denied, please check server&apos;s password</source>
        <translation>доступ запрещён, проверьте пароль сервера</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="198"/>
        <source>incorrect answer, maybe, you have old version of server or client</source>
        <translation>некорректный ответ, возможно, у вас старая версия сервера или клиента</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="200"/>
        <location filename="../../core/LocalVideoServer.cpp" line="213"/>
        <source>offline</source>
        <translation>не в сети</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="202"/>
        <source>unknown state</source>
        <translation>неизвестное состояние</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="209"/>
        <source>unavailable: wrong password or old version</source>
        <translation>недоступен: неверный пароль или старая версия</translation>
    </message>
    <message>
        <location filename="../../core/LocalVideoServer.cpp" line="211"/>
        <source>old version or bad connection</source>
        <translation>старая версия или плохое соединение</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::Core::VideoServer</name>
    <message>
        <location filename="../../core/VideoServer.cpp" line="260"/>
        <source>cameras were not paid</source>
        <translation>камеры не оплачены</translation>
    </message>
    <message>
        <location filename="../../core/VideoServer.cpp" line="262"/>
        <source>some cameras were not paid</source>
        <translation>некоторые камеры не оплачены</translation>
    </message>
    <message>
        <location filename="../../core/VideoServer.cpp" line="266"/>
        <source>blocked</source>
        <translation>заблокирован</translation>
    </message>
    <message>
        <location filename="../../core/VideoServer.cpp" line="271"/>
        <source>offline</source>
        <translation>не в сети</translation>
    </message>
</context>
</TS>
