<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QApplication</name>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="120"/>
        <source>New version is avaliable</source>
        <translation>Доступна новая версия</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="123"/>
        <source>New version is avaliable!</source>
        <translation>Доступна новая версия!</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="125"/>
        <source>Check for updates...</source>
        <translation>Проверить обновления...</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="140"/>
        <source>DOWNLOAD</source>
        <translation>СКАЧАТЬ</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="141"/>
        <source>A new version of %1 is available! Version &lt;b&gt;%2&lt;/b&gt; is available on </source>
        <translation>Доступна новая версия %1! Версия &lt;b&gt;%2&lt;/b&gt; доступна на </translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="146"/>
        <source>You have the latest version of %1 (version &lt;b&gt;%2&lt;/b&gt;).</source>
        <translation>У вас последняя версия %1 (версия &lt;b&gt;%2&lt;/b&gt;).</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="149"/>
        <source>.&lt;br&gt;&lt;br&gt;You can download it by this link:&lt;br&gt;</source>
        <translation>.&lt;br&gt;&lt;br&gt;Вы можете скачать её по этой ссылке:&lt;br&gt;</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="152"/>
        <source>.&lt;br&gt;&lt;br&gt;Please download this version using this link:&lt;br&gt;</source>
        <translation>.&lt;br&gt;&lt;br&gt;Пожалуйста, скачайте эту версию по этой ссылке:&lt;br&gt;</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="155"/>
        <source>CRITICAL update of %1 is out! Version &lt;b&gt;%2&lt;/b&gt; is available on </source>
        <translation>Вышло КРИТИЧЕСКОЕ обновление %1! Версия &lt;b&gt;%2&lt;/b&gt; доступна на </translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="156"/>
        <source>.&lt;br&gt;&lt;br&gt;It is possible that your version is not supported any more.&lt;br&gt;&lt;br&gt;You SHOULD download a new version using this link:&lt;br&gt;</source>
        <translation>.&lt;br&gt;&lt;br&gt;Возможно, ваша версия больше не поддерживается.&lt;br&gt;&lt;br&gt;Вам СЛЕДУЕТ скачать новую версию по этой ссылке:&lt;br&gt;</translation>
    </message>
    <message>
        <location filename="../../application/UpdateInfo.cpp" line="164"/>
        <source>Information about this update: %1</source>
        <translation>Информация об этом обновлении: %1</translation>
    </message>
</context>
</TS>
