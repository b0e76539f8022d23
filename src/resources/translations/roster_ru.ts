<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>CameraWidget</name>
    <message>
        <location filename="../../forms/CameraWidget.ui" line="9"/>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <location filename="../../forms/CameraWidget.ui" line="85"/>
        <source>&lt;Camera name&gt;</source>
        <translation>&lt;Имя камеры&gt;</translation>
    </message>
    <message>
        <location filename="../../forms/CameraWidget.ui" line="93"/>
        <source>&lt;Camera state&gt;</source>
        <translation>&lt;Состояние камеры&gt;</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::CameraTreeItem</name>
    <message>
        <location filename="../../gui/roster/CameraTreeItem.cpp" line="98"/>
        <source>&quot;%1&quot; camera is %2</source>
        <translation>Камера &quot;%1&quot; %2</translation>
    </message>
    <message>
        <location filename="../../gui/roster/CameraTreeItem.cpp" line="98"/>
        <source>online</source>
        <translation>в сети</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::LocalServerTreeItem</name>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="84"/>
        <source>Videoserver &quot;%1&quot; is online</source>
        <translation>Видеосервер &quot;%1&quot; в сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="88"/>
        <source>Access for server &quot;%1&quot; is denied, please check the server&apos;s password</source>
        <translation>Доступ к серверу &quot;%1&quot; запрещён, проверьте пароль сервера</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="92"/>
        <source>Videoserver %1 sends some bad data, please, update server and client software</source>
        <translation>Видеосервер %1 присылает некорректные данные, пожалуйста, обновите программы сервера и клиента</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="96"/>
        <source>Videoserver &quot;%1&quot; is offline</source>
        <translation>Видеосервер &quot;%1&quot; не в сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="115"/>
        <source>camera</source>
        <translation>камер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="115"/>
        <source>s</source>
        <translation>а</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="115"/>
        <source>s%1</source>
        <translation>ы%1</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::RosterWidget</name>
    <message>
        <location filename="../../forms/RosterWidget.ui" line="15"/>
        <source>Cameras</source>
        <translation>Камеры</translation>
    </message>
    <message>
        <location filename="../../forms/RosterWidget.ui" line="20"/>
        <source>Servers filter</source>
        <translation>Фильтр серверов</translation>
    </message>
    <message>
        <location filename="../../forms/RosterWidget.ui" line="21"/>
        <source>Filter...</source>
        <translation>Фильтр...</translation>
    </message>
    <message>
        <location filename="../../forms/RosterWidget.ui" line="30"/>
        <source>Your cameras</source>
        <translation>Ваши камеры</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="341"/>
        <source>Local videoservers</source>
        <translation>Локальные серверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="343"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="377"/>
        <source>Add local videoserver</source>
        <translation>Добавить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="359"/>
        <source>Servers accessible over the LAN</source>
        <translation>Серверы, доступные в локальной сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="371"/>
        <source>Properties</source>
        <translation>Свойства</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="373"/>
        <source>Pay</source>
        <translation>Оплатить</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="374"/>
        <source>Open all server&apos;s cameras</source>
        <translation>Открыть все камеры сервера</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="375"/>
        <source>Add to the current view</source>
        <translation>Добавить в текущий вид</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="376"/>
        <source>Open cameras</source>
        <translation>Открыть камеры</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="378"/>
        <source>Remove local videoserver</source>
        <translation>Удалить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="394"/>
        <source>Internet videoservers</source>
        <translation>Интернет-видеосерверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="398"/>
        <source>Servers accessible over the Internet</source>
        <translation>Серверы, доступные через Интернет</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::ServerTreeItem</name>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="93"/>
        <source>Videoserver &quot;%1&quot; is online</source>
        <translation>Видеосервер &quot;%1&quot; в сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="96"/>
        <source>Videoserver &quot;%1&quot; is %2</source>
        <translation>Видеосервер &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="106"/>
        <source>camera</source>
        <translation>камер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="106"/>
        <source>s</source>
        <translation>а</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="106"/>
        <source>s%1</source>
        <translation>ы%1</translation>
    </message>
</context>
<context>
    <name>ServerWidget</name>
    <message>
        <location filename="../../forms/ServerWidget.ui" line="9"/>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <location filename="../../forms/ServerWidget.ui" line="36"/>
        <source>&lt;Server name&gt;</source>
        <translation>&lt;Имя сервера&gt;</translation>
    </message>
    <message>
        <location filename="../../forms/ServerWidget.ui" line="43"/>
        <source>&lt;Server state&gt;</source>
        <translation>&lt;Состояние сервера&gt;</translation>
    </message>
</context>
</TS>
