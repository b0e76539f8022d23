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
        <location filename="../../gui/roster/RosterWidget.cpp" line="383"/>
        <source>Local videoservers</source>
        <translation>Локальные серверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="385"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="419"/>
        <source>Add local videoserver</source>
        <translation>Добавить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="401"/>
        <source>Servers accessible over the LAN</source>
        <translation>Серверы, доступные в локальной сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="413"/>
        <source>Properties</source>
        <translation>Свойства</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="415"/>
        <source>Pay</source>
        <translation>Оплатить</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="416"/>
        <source>Open all server&apos;s cameras</source>
        <translation>Открыть все камеры сервера</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="417"/>
        <source>Add to the current view</source>
        <translation>Добавить в текущий вид</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="418"/>
        <source>Open cameras</source>
        <translation>Открыть камеры</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="420"/>
        <source>Remove local videoserver</source>
        <translation>Удалить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="438"/>
        <source>Internet videoservers</source>
        <translation>Интернет-видеосерверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="442"/>
        <source>Servers accessible over the Internet</source>
        <translation>Серверы, доступные через Интернет</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1056"/>
        <source>Videoserver &quot;%1&quot; address has not been changed</source>
        <translation>Адрес видеосервера &quot;%1&quot; не изменён</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1057"/>
        <source>The address of videoserver &quot;%1&quot; has not been changed: it stays %2 under the name &quot;%3&quot;, because another videoserver of your list already has the address you entered.</source>
        <translation>Адрес видеосервера &quot;%1&quot; не изменён: он остаётся %2 с именем &quot;%3&quot;, потому что другой видеосервер вашего списка уже имеет введённый вами адрес.</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1060"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1093"/>
        <source>I see</source>
        <translation>Понятно</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1091"/>
        <source>Videoserver &quot;%1&quot; has not been added</source>
        <translation>Видеосервер &quot;%1&quot; не добавлен</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1092"/>
        <source>Videoserver has not been added, because the same videoserver is already exists in your list.</source>
        <translation>Видеосервер не добавлен, потому что такой же видеосервер уже есть в вашем списке.</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1098"/>
        <source>other password</source>
        <translation>другой пароль</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1100"/>
        <source>name &quot;%1&quot;</source>
        <translation>имя &quot;%1&quot;</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1102"/>
        <source>name &quot;%1&quot; and other password</source>
        <translation>имя &quot;%1&quot; и другой пароль</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1104"/>
        <source>Videoserver already exists</source>
        <translation>Видеосервер уже существует</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1105"/>
        <source>Videoserver %1 already exists and it&apos;s name is &quot;%2&quot;. You&apos;ve entered %3.

Would you like to set %3 for the existing server?</source>
        <translation>Видеосервер %1 уже существует и называется &quot;%2&quot;. Вы ввели %3.

Установить %3 для существующего сервера?</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1108"/>
        <source>Yes, set the new properties</source>
        <translation>Да, установить новые свойства</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1108"/>
        <source>No, don&apos;t change the old settings</source>
        <translation>Нет, не менять старые настройки</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1130"/>
        <source>
%1 (%2:%3)</source>
        <translation>
%1 (%2:%3)</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1133"/>
        <source>Are you sure?</source>
        <translation>Вы уверены?</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1134"/>
        <source>Are you sure you want to remove %1:
%2?</source>
        <translation>Вы уверены, что хотите удалить %1:
%2?</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1134"/>
        <source>server</source>
        <translation>сервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1134"/>
        <source>servers</source>
        <translation>серверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1135"/>
        <source>Yes, remove</source>
        <translation>Да, удалить</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1135"/>
        <source>No, do not remove</source>
        <translation>Нет, не удалять</translation>
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
