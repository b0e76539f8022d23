<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QObject</name>
    <message>
        <location filename="../../core/RestClient.cpp" line="142"/>
        <source>Quorvel</source>
        <translation>Quorvel</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="146"/>
        <source>Error communicating with %1 servers. There may be a problem with your computer&apos;s internet connection or with application&apos;s proxy settings.
Please check your internet connection or set correct proxy settings in the &quot;Settings&quot; menu and try again</source>
        <translation>Ошибка связи с серверами %1. Возможно, есть проблема с подключением вашего компьютера к интернету или с настройками прокси-сервера приложения.
Проверьте подключение к интернету или укажите правильные настройки прокси-сервера в меню &quot;Настройки&quot; и попробуйте снова</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="151"/>
        <source>Error communicating with %1 server. It is possible that %1 service is temporary unavailable. Please contact our support or try again later</source>
        <translation>Ошибка связи с сервером %1. Возможно, сервис %1 временно недоступен. Обратитесь в нашу службу поддержки или попробуйте позже</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="155"/>
        <source>Error in HTTP data format. Please check your internet connection and check if you are using the latest version of %1</source>
        <translation>Ошибка формата данных HTTP. Проверьте подключение к интернету и убедитесь, что вы используете последнюю версию %1</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="159"/>
        <source>%1 reports about unknown service error. Please update %2</source>
        <translation>%1 сообщает о неизвестной ошибке сервиса. Обновите %2</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="161"/>
        <source>%1 service error: the command is not supported. Please update %2</source>
        <translation>Ошибка сервиса %1: команда не поддерживается. Обновите %2</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="164"/>
        <source>Could not sign in. Please check your login and password and try again</source>
        <translation>Не удалось войти. Проверьте логин и пароль и попробуйте снова</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="166"/>
        <source>Error checking session code. Please try to restart %1</source>
        <translation>Ошибка проверки кода сессии. Попробуйте перезапустить %1</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="168"/>
        <source>Access error: you don&apos;t have enough rights for requested operation</source>
        <translation>Ошибка доступа: у вас недостаточно прав для запрошенной операции</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="170"/>
        <source>%1 service error: requestet resource is not found</source>
        <translation>Ошибка сервиса %1: запрошенный ресурс не найден</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="172"/>
        <source>%1 service error: resource already exists</source>
        <translation>Ошибка сервиса %1: ресурс уже существует</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="174"/>
        <source>%1 service error: requested user does not exist</source>
        <translation>Ошибка сервиса %1: запрошенный пользователь не существует</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="176"/>
        <source>You have attempted to sign in too often in a short period of time. Please try again in 30 seconds</source>
        <translation>Вы пытались войти слишком часто за короткое время. Попробуйте снова через 30 секунд</translation>
    </message>
    <message>
        <location filename="../../core/RestClient.cpp" line="179"/>
        <source>Unknown error</source>
        <translation>Неизвестная ошибка</translation>
    </message>
</context>
</TS>
