<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QApplication</name>
    <message>
        <location filename="../../application/Application.cpp" line="29"/>
        <source>Quorvel Client</source>
        <translation>Quorvel Клиент</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="119"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="130"/>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="205"/>
        <source>Could not sign in</source>
        <translation>Не удалось войти</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="206"/>
        <source>Could not sign in.
%1.
Error code: %2.</source>
        <translation>Не удалось войти.
%1.
Код ошибки: %2.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="213"/>
        <source>Enter for local access only</source>
        <translation>Войти только для локального доступа</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="215"/>
        <source>Close this window</source>
        <translation>Закрыть это окно</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="217"/>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="265"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="252"/>
        <source>You have been signed out.
This may have happened because of service error or because your session has expired.
Please sign in again.</source>
        <translation>Вы вышли из системы.
Возможно, это произошло из-за ошибки сервиса или потому, что срок вашего сеанса истёк.
Пожалуйста, войдите снова.</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="264"/>
        <source>Sign-Out Notice</source>
        <translation>Уведомление о выходе</translation>
    </message>
    <message>
        <location filename="../../gui/mainwindow/LogInDialog.cpp" line="258"/>
        <source>You have been signed out.
This may have happened because you signed in on another computer or device.
Please sign in again.</source>
        <translation>Вы вышли из системы.
Возможно, это произошло потому, что вы вошли с другого компьютера или устройства.
Пожалуйста, войдите снова.</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::LogInDialog</name>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="15"/>
        <source>Log in</source>
        <translation>Вход</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="56"/>
        <source>Select videoservers access mode</source>
        <translation>Выберите режим доступа к видеосерверам</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="57"/>
        <source>Access to cameras over internet and LAN</source>
        <translation>Доступ к камерам через интернет и локальную сеть</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="58"/>
        <source>Local access (use LAN only)</source>
        <translation>Локальный доступ (только локальная сеть)</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="71"/>
        <source>e-mail:</source>
        <translation>e-mail:</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="79"/>
        <source>Password:</source>
        <translation>Пароль:</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="93"/>
        <source>Remember me</source>
        <translation>Запомнить меня</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="109"/>
        <source>&lt;a href=&quot;http://www.quorvel.example/?target=sign_up&amp;amp;lang=en&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;Sign up&lt;/span&gt;&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;http://www.quorvel.example/?target=sign_up&amp;amp;lang=en&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;Регистрация&lt;/span&gt;&lt;/a&gt;</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="116"/>
        <source>&lt;a href=&quot;https://www.quorvel.example/?target=password-recover&amp;amp;lang=en&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;Forgot password?&lt;/span&gt;&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;https://www.quorvel.example/?target=password-recover&amp;amp;lang=en&quot;&gt;&lt;span style=&quot; text-decoration: underline; color:#0000ff;&quot;&gt;Забыли пароль?&lt;/span&gt;&lt;/a&gt;</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="130"/>
        <source>Settings...</source>
        <translation>Настройки...</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="149"/>
        <source>Sign in</source>
        <translation>Войти</translation>
    </message>
    <message>
        <location filename="../../forms/LogInDialog.ui" line="156"/>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
</TS>
