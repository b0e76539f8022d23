<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AboutDialog</name>
    <message>
        <location filename="../../forms/AboutDialog.ui" line="18"/>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <location filename="../../forms/AboutDialog.ui" line="57"/>
        <source>%1</source>
        <translation>%1</translation>
    </message>
    <message>
        <location filename="../../forms/AboutDialog.ui" line="64"/>
        <source>Version %1</source>
        <translation>Версия %1</translation>
    </message>
    <message>
        <location filename="../../forms/AboutDialog.ui" line="70"/>
        <source>© %1</source>
        <translation>© %1</translation>
    </message>
    <message>
        <location filename="../../forms/AboutDialog.ui" line="76"/>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-style:normal;&quot;&gt;
&lt;p align=&quot;center&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;a href=&quot;%1&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;%2&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-style:normal;&quot;&gt;
&lt;p align=&quot;center&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;a href=&quot;%1&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;%2&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>LocalServerDialog</name>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="9"/>
        <source>Dialog</source>
        <translation>Диалог</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="31"/>
        <source>Videoserver location</source>
        <translation>Расположение видеосервера</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="35"/>
        <source>Videoserver is installed on this computer</source>
        <translation>Видеосервер установлен на этом компьютере</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="41"/>
        <source>Videoserver is in my local network</source>
        <translation>Видеосервер находится в моей локальной сети</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="55"/>
        <source>Videoserver&apos;s IP address:</source>
        <translation>IP-адрес видеосервера:</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="61"/>
        <source>127.0.0.1</source>
        <translation>127.0.0.1</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="76"/>
        <source>Port:</source>
        <translation>Порт:</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="83"/>
        <source>8080</source>
        <translation>8080</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="88"/>
        <source>Name:</source>
        <translation>Имя:</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="96"/>
        <source>Password:</source>
        <translation>Пароль:</translation>
    </message>
    <message>
        <location filename="../../forms/LocalServerDialog.ui" line="106"/>
        <source>Show password</source>
        <translation>Показать пароль</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LocalServerDialog.cpp" line="46"/>
        <source>Add local videoserver</source>
        <translation>Добавить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LocalServerDialog.cpp" line="55"/>
        <source>Edit local videoserver settings</source>
        <translation>Изменить настройки локального видеосервера</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LocalServerDialog.cpp" line="110"/>
        <source>Please fill the IP-address field.</source>
        <translation>Пожалуйста, заполните поле IP-адреса.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LocalServerDialog.cpp" line="112"/>
        <source>Please fill the videoserver&apos;s port field.</source>
        <translation>Пожалуйста, заполните поле порта видеосервера.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LocalServerDialog.cpp" line="114"/>
        <source>Please enter the name for this videoserver.</source>
        <translation>Пожалуйста, введите имя этого видеосервера.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LocalServerDialog.cpp" line="116"/>
        <source>Please enter a port number from 1 to 65535.</source>
        <translation>Пожалуйста, введите номер порта от 1 до 65535.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LocalServerDialog.cpp" line="123"/>
        <source>Could not add videoserver</source>
        <translation>Не удалось добавить видеосервер</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../../forms/MainWindow.ui" line="38"/>
        <source>Control panel</source>
        <translation>Панель управления</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="64"/>
        <source>Expand</source>
        <translation>Развернуть</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="65"/>
        <source>Expand all</source>
        <translation>Развернуть все</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="71"/>
        <location filename="../../forms/MainWindow.ui" line="72"/>
        <source>Properties</source>
        <translation>Свойства</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="78"/>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="79"/>
        <source>Add local videoserver</source>
        <translation>Добавить локальный видеосервер</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="85"/>
        <source>Sound off</source>
        <translation>Звук выкл</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="86"/>
        <source>Turn off sound</source>
        <translation>Выключить звук</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="92"/>
        <location filename="../../forms/MainWindow.ui" line="93"/>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="99"/>
        <source>Info</source>
        <translation>Инфо</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="100"/>
        <source>Information</source>
        <translation>Информация</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="106"/>
        <source>Updates</source>
        <translation>Обновления</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="107"/>
        <source>Check for updates...</source>
        <translation>Проверить обновления...</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="113"/>
        <location filename="../../forms/MainWindow.ui" line="114"/>
        <source>Sign out</source>
        <translation>Выйти</translation>
    </message>
    <message>
        <location filename="../../forms/MainWindow.ui" line="120"/>
        <location filename="../../forms/MainWindow.ui" line="121"/>
        <source>Close all windows</source>
        <translation>Закрыть все окна</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::Core::VideoServer</name>
    <message>
        <location filename="../../gui/mainwindow/ServerPropertiesDialog.cpp" line="53"/>
        <source>online</source>
        <translation>в сети</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/ServerPropertiesDialog.cpp" line="85"/>
        <source>not blocked</source>
        <translation>не заблокирован</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::MainWindow</name>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="82"/>
        <source>Cameras</source>
        <translation>Камеры</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="241"/>
        <source>Videoserver &quot;%1&quot; (IP %2): %3</source>
        <translation>Видеосервер &quot;%1&quot; (IP %2): %3</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="251"/>
        <source>Export path error</source>
        <translation>Ошибка пути экспорта</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="270"/>
        <source>Archive export done.</source>
        <translation>Экспорт архива завершён.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="276"/>
        <source>Archive export interrupted</source>
        <translation>Экспорт архива прерван</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="296"/>
        <source>Are you sure?</source>
        <translation>Вы уверены?</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="296"/>
        <source>Are you sure you want to sign out?</source>
        <translation>Вы уверены, что хотите выйти?</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="309"/>
        <source>off%1</source>
        <translation>выкл</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="309"/>
        <source>on%1</source>
        <translation>вкл</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="311"/>
        <source>Turn off</source>
        <translation>Выключить</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="311"/>
        <source>Turn on</source>
        <translation>Включить</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="313"/>
        <source>%1 sound</source>
        <translation>%1 звук</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="314"/>
        <source>Sound %1</source>
        <translation>Звук %1</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="321"/>
        <source>collapse</source>
        <translation>collapse</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="321"/>
        <source>expand</source>
        <translation>expand</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="322"/>
        <source>Collapse</source>
        <translation>Свернуть</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="322"/>
        <source>Expand</source>
        <translation>Развернуть</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="324"/>
        <source>%1 all</source>
        <translation>%1 все</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="375"/>
        <source>Could not check for updates</source>
        <translation>Не удалось проверить обновления</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="380"/>
        <source>Checking for updates...</source>
        <translation>Проверка обновлений...</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/MainWindow.cpp" line="385"/>
        <source>Updates checked</source>
        <translation>Обновления проверены</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::PathValidator</name>
    <message>
        <location filename="../../gui/mainwindow/PathValidator.cpp" line="36"/>
        <location filename="../../gui/mainwindow/PathValidator.cpp" line="44"/>
        <source>&lt;p style=&quot;color:%1&quot;&gt;%2&lt;/p&gt;</source>
        <translation>&lt;p style=&quot;color:%1&quot;&gt;%2&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/PathValidator.cpp" line="36"/>
        <source>Incorrect path!</source>
        <translation>Неверный путь!</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/PathValidator.cpp" line="42"/>
        <source>Available %1 of %2 Gb.</source>
        <translation>Доступно %1 из %2 ГБ.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/PathValidator.cpp" line="53"/>
        <source>Your archive export path is incorrect! Records export to this path may work incorrectly. Apply the settings anyway?</source>
        <translation>Путь экспорта архива неверен! Экспорт записей по этому пути может работать неправильно. Всё равно применить настройки?</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::ServerPropertiesDialog</name>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="10"/>
        <source>Server properties</source>
        <translation>Свойства сервера</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="17"/>
        <source>Server id:</source>
        <translation>Идентификатор сервера:</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="29"/>
        <source>Name:</source>
        <translation>Имя:</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="41"/>
        <source>Availability:</source>
        <translation>Доступность:</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="46"/>
        <source>offline</source>
        <translation>не в сети</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="54"/>
        <source>Server is down or does not have access to the Internet.</source>
        <translation>Сервер выключен или не имеет доступа в Интернет.</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="61"/>
        <source>Billing status:</source>
        <translation>Состояние оплаты:</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="66"/>
        <source>not paid for</source>
        <translation>не оплачен</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="74"/>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot;font-style:normal;&quot;&gt;
&lt;p style=&quot;margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;To pay for the service, please go to your &lt;a href=&quot;https://www.quorvel.example/?target=my-account&amp;amp;lang=en&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;personal account&lt;/span&gt;&lt;/a&gt;.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot;font-style:normal;&quot;&gt;
&lt;p style=&quot;margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Чтобы оплатить услугу, перейдите в ваш &lt;a href=&quot;https://www.quorvel.example/?target=my-account&amp;amp;lang=en&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;личный кабинет&lt;/span&gt;&lt;/a&gt;.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="87"/>
        <source>Blocking:</source>
        <translation>Блокировка:</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="92"/>
        <source>blocked</source>
        <translation>заблокирован</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="99"/>
        <source>Server is blocked by provider.</source>
        <translation>Сервер заблокирован провайдером.</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="106"/>
        <source>Access rights</source>
        <translation>Права доступа</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="112"/>
        <source>Owner</source>
        <translation>Владелец</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="120"/>
        <source>Live video</source>
        <translation>Живое видео</translation>
    </message>
    <message>
        <location filename="../../forms/ServerPropertiesDialog.ui" line="128"/>
        <source>Archive</source>
        <translation>Архив</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/ServerPropertiesDialog.cpp" line="67"/>
        <source>&lt;a href=&quot;%1&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;personal account&lt;/span&gt;&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;%1&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;личный кабинет&lt;/span&gt;&lt;/a&gt;</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/ServerPropertiesDialog.cpp" line="71"/>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot;font-style:normal;&quot;&gt;
&lt;p style=&quot;margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;To pay for the service, please go to your %1.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot;font-style:normal;&quot;&gt;
&lt;p style=&quot;margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Чтобы оплатить услугу, перейдите в ваш %1.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/ServerPropertiesDialog.cpp" line="79"/>
        <source>Server&apos;s owner can pay for it&apos;s cameras.</source>
        <translation>Оплатить камеры сервера может его владелец.</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::SettingsDialog</name>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="9"/>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="16"/>
        <source>General</source>
        <translation>Общие</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="25"/>
        <source>Authorization</source>
        <translation>Авторизация</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="34"/>
        <source>e-mail:</source>
        <translation>e-mail:</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="40"/>
        <location filename="../../forms/SettingsDialog.ui" line="164"/>
        <source>Password:</source>
        <translation>Пароль:</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="52"/>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="55"/>
        <source>Set program language to:</source>
        <translation>Язык программы:</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="59"/>
        <source>English (Английский)</source>
        <translation>English (Английский)</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="60"/>
        <source>Русский (Russian)</source>
        <translation>Русский (Russian)</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="68"/>
        <source>User interface</source>
        <translation>Интерфейс</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="71"/>
        <source>Colored remote archive </source>
        <translation>Цветной удалённый архив </translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="74"/>
        <source>Don&apos;t limit video watching duration</source>
        <translation>Не ограничивать время просмотра видео</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="81"/>
        <source>Archive export</source>
        <translation>Экспорт архива</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="86"/>
        <source>Export to folder:</source>
        <translation>Папка экспорта:</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="99"/>
        <source>Select a folder</source>
        <translation>Выбрать папку</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="127"/>
        <source>Proxy settings</source>
        <translation>Настройки прокси</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="136"/>
        <source>Use HTTP proxy server</source>
        <translation>Использовать HTTP-прокси</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="146"/>
        <source>Address:</source>
        <translation>Адрес:</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="152"/>
        <source>Port:</source>
        <translation>Порт:</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="158"/>
        <source>Username:</source>
        <translation>Пользователь:</translation>
    </message>
    <message>
        <location filename="../../forms/SettingsDialog.ui" line="175"/>
        <source>Attention! Please restart the application to apply new proxy settings!</source>
        <translation>Внимание! Перезапустите программу, чтобы применить новые настройки прокси!</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/SettingsDialog.cpp" line="128"/>
        <source>Restart required</source>
        <translation>Требуется перезапуск</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/SettingsDialog.cpp" line="129"/>
        <source>The language change will take effect after restart of %1.</source>
        <translation>Смена языка вступит в силу после перезапуска программы %1.</translation>
    </message>
</context>
</TS>
