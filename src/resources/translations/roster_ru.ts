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
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="87"/>
        <source>Videoserver &quot;%1&quot; is online</source>
        <translation>Видеосервер &quot;%1&quot; в сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="91"/>
        <source>Access for server &quot;%1&quot; is denied, please check the server&apos;s password</source>
        <translation>Доступ к серверу &quot;%1&quot; запрещён, проверьте пароль сервера</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="95"/>
        <source>Videoserver %1 sends some bad data, please, update server and client software</source>
        <translation>Видеосервер %1 присылает некорректные данные, пожалуйста, обновите программы сервера и клиента</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="99"/>
        <source>Videoserver &quot;%1&quot; is offline</source>
        <translation>Видеосервер &quot;%1&quot; не в сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="118"/>
        <source>camera</source>
        <translation>камер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="118"/>
        <source>s</source>
        <translation>а</translation>
    </message>
    <message>
        <location filename="../../gui/roster/LocalServerTreeItem.cpp" line="118"/>
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
        <location filename="../../gui/roster/RosterWidget.cpp" line="415"/>
        <source>Local videoservers</source>
        <translation>Локальные серверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="417"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="451"/>
        <source>Add local videoserver</source>
        <translation>Добавить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="433"/>
        <source>Servers accessible over the LAN</source>
        <translation>Серверы, доступные в локальной сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="445"/>
        <source>Properties</source>
        <translation>Свойства</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="447"/>
        <source>Pay</source>
        <translation>Оплатить</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="448"/>
        <source>Open all server&apos;s cameras</source>
        <translation>Открыть все камеры сервера</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="449"/>
        <source>Add to the current view</source>
        <translation>Добавить в текущий вид</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="450"/>
        <source>Open cameras</source>
        <translation>Открыть камеры</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="452"/>
        <source>Remove local videoserver</source>
        <translation>Удалить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="470"/>
        <source>Internet videoservers</source>
        <translation>Интернет-видеосерверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="474"/>
        <source>Servers accessible over the Internet</source>
        <translation>Серверы, доступные через Интернет</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1126"/>
        <source>Videoserver &quot;%1&quot; address has not been changed</source>
        <translation>Адрес видеосервера &quot;%1&quot; не изменён</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1127"/>
        <source>The address of videoserver &quot;%1&quot; has not been changed: it stays %2 under the name &quot;%3&quot;, because another videoserver of your list already has the address you entered.</source>
        <translation>Адрес видеосервера &quot;%1&quot; не изменён: он остаётся %2 с именем &quot;%3&quot;, потому что другой видеосервер вашего списка уже имеет введённый вами адрес.</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="737"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="758"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1130"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1163"/>
        <source>I see</source>
        <translation>Понятно</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="732"/>
        <location filename="../../gui/roster/RosterWidget.cpp" line="754"/>
        <source>Local videoservers have not been saved</source>
        <translation>Локальные видеосерверы не сохранены</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="733"/>
        <source>The list of local videoservers &quot;%1&quot; could not be read at start, and it cannot be kept as &quot;%2&quot;: %3.

The list is not overwritten, so your change is not saved and lasts only until the program is closed.</source>
        <translation>Список локальных видеосерверов &quot;%1&quot; не удалось прочитать при запуске, и его нельзя сохранить как &quot;%2&quot;: %3.

Список не перезаписывается, поэтому ваше изменение не сохранено и действует только до закрытия программы.</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="755"/>
        <source>The list of local videoservers cannot be saved to the file &quot;%1&quot;: %2.

Your change lasts only until the program is closed.</source>
        <translation>Список локальных видеосерверов нельзя сохранить в файл &quot;%1&quot;: %2.

Ваше изменение действует только до закрытия программы.</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1161"/>
        <source>Videoserver &quot;%1&quot; has not been added</source>
        <translation>Видеосервер &quot;%1&quot; не добавлен</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1162"/>
        <source>Videoserver has not been added, because the same videoserver is already exists in your list.</source>
        <translation>Видеосервер не добавлен, потому что такой же видеосервер уже есть в вашем списке.</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1168"/>
        <source>other password</source>
        <translation>другой пароль</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1170"/>
        <source>name &quot;%1&quot;</source>
        <translation>имя &quot;%1&quot;</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1172"/>
        <source>name &quot;%1&quot; and other password</source>
        <translation>имя &quot;%1&quot; и другой пароль</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1174"/>
        <source>Videoserver already exists</source>
        <translation>Видеосервер уже существует</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1175"/>
        <source>Videoserver %1 already exists and it&apos;s name is &quot;%2&quot;. You&apos;ve entered %3.

Would you like to set %3 for the existing server?</source>
        <translation>Видеосервер %1 уже существует и называется &quot;%2&quot;. Вы ввели %3.

Установить %3 для существующего сервера?</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1178"/>
        <source>Yes, set the new properties</source>
        <translation>Да, установить новые свойства</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1178"/>
        <source>No, don&apos;t change the old settings</source>
        <translation>Нет, не менять старые настройки</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1200"/>
        <source>
%1 (%2:%3)</source>
        <translation>
%1 (%2:%3)</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1203"/>
        <source>Are you sure?</source>
        <translation>Вы уверены?</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1204"/>
        <source>Are you sure you want to remove %1:
%2?</source>
        <translation>Вы уверены, что хотите удалить %1:
%2?</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1204"/>
        <source>server</source>
        <translation>сервер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1204"/>
        <source>servers</source>
        <translation>серверы</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1205"/>
        <source>Yes, remove</source>
        <translation>Да, удалить</translation>
    </message>
    <message>
        <location filename="../../gui/roster/RosterWidget.cpp" line="1205"/>
        <source>No, do not remove</source>
        <translation>Нет, не удалять</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::ServerTreeItem</name>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="97"/>
        <source>Videoserver &quot;%1&quot; is online</source>
        <translation>Видеосервер &quot;%1&quot; в сети</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="100"/>
        <source>Videoserver &quot;%1&quot; is %2</source>
        <translation>Видеосервер &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="110"/>
        <source>camera</source>
        <translation>камер</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="110"/>
        <source>s</source>
        <translation>а</translation>
    </message>
    <message>
        <location filename="../../gui/roster/ServerTreeItem.cpp" line="110"/>
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
