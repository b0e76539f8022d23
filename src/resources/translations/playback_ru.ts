<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QuorvelClient::GUI::ArchivePanel</name>
    <message>
        <location filename="../../forms/ArchivePanel.ui" line="13"/>
        <source>Frame</source>
        <translation>Рамка</translation>
    </message>
    <message>
        <location filename="../../forms/ArchivePanel.ui" line="28"/>
        <source>Select the archive day</source>
        <translation>Выберите день архива</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::ControlPanel</name>
    <message>
        <location filename="../../forms/ControlPanel.ui" line="10"/>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <location filename="../../forms/ControlPanel.ui" line="147"/>
        <source>Zoom in (you can use mouse wheel instead)</source>
        <translation>Увеличить (можно также колесом мыши)</translation>
    </message>
    <message>
        <location filename="../../forms/ControlPanel.ui" line="158"/>
        <source>Zoom out (you can use mouse wheel instead)</source>
        <translation>Уменьшить (можно также колесом мыши)</translation>
    </message>
    <message>
        <location filename="../../forms/ControlPanel.ui" line="184"/>
        <source>Earlier (Ctrl + mouse wheel)</source>
        <translation>Раньше (Ctrl + колесо мыши)</translation>
    </message>
    <message>
        <location filename="../../forms/ControlPanel.ui" line="245"/>
        <source>Later (Ctrl + mouse wheel)</source>
        <translation>Позже (Ctrl + колесо мыши)</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="289"/>
        <source>Export works only for local servers</source>
        <translation>Экспорт работает только для локальных серверов</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="290"/>
        <source>Archive export from Quorvel Client is supported only for local videoservers.&lt;br&gt;&lt;br&gt;If your server is installed on your computer or is available in your LAN, add the server as local and export archive from the local server.&lt;br&gt;&lt;br&gt;Otherwise you can export records in your &lt;a href=&apos;%1&apos;&gt;personal account&lt;/a&gt;.</source>
        <translation>Экспорт архива из Quorvel Client поддерживается только для локальных видеосерверов.&lt;br&gt;&lt;br&gt;Если ваш сервер установлен на вашем компьютере или доступен в вашей локальной сети, добавьте сервер как локальный и экспортируйте архив с локального сервера.&lt;br&gt;&lt;br&gt;Иначе вы можете экспортировать записи в своём &lt;a href=&apos;%1&apos;&gt;личном кабинете&lt;/a&gt;.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="295"/>
        <source>To add local server you should first enable the local view in Quorvel Server settings.

Then click &quot;Add&quot; button in Quorvel Client and enter your server IP address, choose the name for this server and enter the password that you have set for local view in server settings.</source>
        <translation>Чтобы добавить локальный сервер, сначала включите локальный просмотр в настройках Quorvel Server.

Затем нажмите кнопку «Добавить» в Quorvel Client и введите IP-адрес сервера, выберите имя для этого сервера и введите пароль, заданный для локального просмотра в настройках сервера.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="303"/>
        <source>Old videoserver</source>
        <translation>Устаревший видеосервер</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="304"/>
        <source>Archive export is not supported for camera %1.
Please update Quorvel Server to the latest version for this camera.</source>
        <translation>Экспорт архива не поддерживается для камеры %1.
Обновите Quorvel Server для этой камеры до последней версии.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="504"/>
        <source>There are no records for %1. Please select a day with records</source>
        <translation>Нет записей за %1. Выберите день с записями</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="501"/>
        <source>There are no records for camera %1 for %2.
Please select a camera with records or select the other day</source>
        <translation>Нет записей камеры %1 за %2.
Выберите камеру с записями или другой день</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="500"/>
        <source>No records</source>
        <translation>Нет записей</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="313"/>
        <source>Select a time range to export</source>
        <translation>Выберите интервал времени для экспорта</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="327"/>
        <source>The selected range %1 - %2 does not contain any records</source>
        <translation>Выбранный интервал %1 - %2 не содержит записей</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="334"/>
        <source>Exporting archive interval %1 - %2</source>
        <translation>Экспорт интервала архива %1 - %2</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="408"/>
        <source>Playing with increased speed is not supported</source>
        <translation>Воспроизведение с увеличенной скоростью не поддерживается</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="409"/>
        <source>Archive playing with speed x%1 is disabled for cameras %2.
If you want to play archive with increased speed you have to update Quorvel Server for these cameras.</source>
        <translation>Воспроизведение архива со скоростью x%1 недоступно для камер %2.
Чтобы воспроизводить архив с увеличенной скоростью, обновите Quorvel Server для этих камер.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="461"/>
        <source>Search is not available</source>
        <translation>Поиск недоступен</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="462"/>
        <source>Archive search is not available for camera %1.
Maybe your Quorvel Server need an update or you have to turn on search in server settings.</source>
        <translation>Поиск по архиву недоступен для камеры %1.
Возможно, нужно обновить Quorvel Server или включить поиск в настройках сервера.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="471"/>
        <source>Select an area of video image to search</source>
        <translation>Выделите область изображения для поиска</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="482"/>
        <source>Searching...</source>
        <translation>Идёт поиск...</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="516"/>
        <source>Are you sure?</source>
        <translation>Вы уверены?</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="517"/>
        <source>Are you sure you want to close current search results?</source>
        <translation>Закрыть текущие результаты поиска?</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="562"/>
        <source>No records found</source>
        <translation>Записи не найдены</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="563"/>
        <source>Found %1 records</source>
        <translation>Найдено записей: %1</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="571"/>
        <source>Could not find records for selected zone</source>
        <translation>Не удалось найти записи для выбранной области</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="753"/>
        <source>Loading archive...</source>
        <translation>Загрузка архива...</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="754"/>
        <source>Loading archive, retry number %1 for camera %2...</source>
        <translation>Загрузка архива, повтор %1 для камеры %2...</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="809"/>
        <source>Error loading archive for camera %1...</source>
        <translation>Ошибка загрузки архива для камеры %1...</translation>
    </message>
    <message>
        <location filename="../../gui/playback/controls/ControlPanel.cpp" line="957"/>
        <source>--:--:--</source>
        <translation>--:--:--</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::ExportWidget</name>
    <message>
        <location filename="../../forms/ExportWidget.ui" line="119"/>
        <source>Stop loading</source>
        <translation>Остановить загрузку</translation>
    </message>
    <message>
        <location filename="../../forms/ExportWidget.ui" line="159"/>
        <source>File menu</source>
        <translation>Меню файла</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="103"/>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="105"/>
        <source>Show in folder</source>
        <translation>Показать в папке</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="107"/>
        <source>Settings...</source>
        <translation>Настройки...</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="159"/>
        <source>The file is not yet created</source>
        <translation>Файл ещё не создан</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="162"/>
        <source>Connecting</source>
        <translation>Подключение</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="182"/>
        <source>Loading</source>
        <translation>Загрузка</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="199"/>
        <source>Ready</source>
        <translation>Готово</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="208"/>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="259"/>
        <source>The file has not been created</source>
        <translation>Файл не был создан</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="221"/>
        <source>Interrupted</source>
        <translation>Прервано</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="234"/>
        <source>Are you sure?</source>
        <translation>Вы уверены?</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="234"/>
        <source>Are you sure you want to stop archive export?</source>
        <translation>Вы действительно хотите остановить экспорт архива?</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="242"/>
        <source>Stopped.</source>
        <translation>Остановлено.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="310"/>
        <source>No error</source>
        <translation>Нет ошибки</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="312"/>
        <source>Path %1 does not exist. Create this path or change the export path in settings.</source>
        <translation>Путь %1 не существует. Создайте этот путь или измените путь экспорта в настройках.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="314"/>
        <source>Path %1 is incorrect. Check the export path in settings.</source>
        <translation>Путь %1 неверен. Проверьте путь экспорта в настройках.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="316"/>
        <source>It is less than %1 Mb free on drive %2. Please free some space on this drive or choose another folder for records in settings.</source>
        <translation>На диске %2 свободно меньше %1 Мб. Освободите место на этом диске или выберите в настройках другую папку для записей.</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="320"/>
        <source>Unknown error</source>
        <translation>Неизвестная ошибка</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="360"/>
        <source>Launching file manager failed</source>
        <translation>Не удалось запустить файловый менеджер</translation>
    </message>
    <message>
        <location filename="../../gui/playback/export/ExportWidget.cpp" line="361"/>
        <source>Could not find xdg-open in path to launch the file manager.</source>
        <translation>Не удалось найти xdg-open в PATH, чтобы запустить файловый менеджер.</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::PlaybackWindow2</name>
    <message>
        <location filename="../../forms/PlaybackWindow2.ui" line="8"/>
        <source>Playback</source>
        <translation>Просмотр</translation>
    </message>
    <message>
        <location filename="../../forms/PlaybackWindow2.ui" line="40"/>
        <source>Close all cameras</source>
        <translation>Закрыть все камеры</translation>
    </message>
    <message>
        <location filename="../../gui/playback/PlaybackWindow2.cpp" line="144"/>
        <location filename="../../gui/playback/PlaybackWindow2.cpp" line="197"/>
        <source>You can open up to %1 archives simultaneously</source>
        <translation>Одновременно можно открыть не более %1 архивов</translation>
    </message>
    <message>
        <location filename="../../gui/playback/PlaybackWindow2.cpp" line="146"/>
        <source>That cameras are already opened</source>
        <translation>Эти камеры уже открыты</translation>
    </message>
    <message>
        <location filename="../../gui/playback/PlaybackWindow2.cpp" line="428"/>
        <source>Save image as</source>
        <translation>Сохранить изображение как</translation>
    </message>
    <message>
        <location filename="../../gui/playback/PlaybackWindow2.cpp" line="428"/>
        <source>Images (*.jpg *.png)</source>
        <translation>Изображения (*.jpg *.png)</translation>
    </message>
    <message>
        <location filename="../../gui/playback/PlaybackWindow2.cpp" line="444"/>
        <source>Cannot save the image to %1</source>
        <translation>Не удалось сохранить изображение в %1</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::Timeline</name>
    <message>
        <location filename="../../gui/playback/widgets/Timeline.cpp" line="229"/>
        <source>Close search results</source>
        <translation>Закрыть результаты поиска</translation>
    </message>
</context>
<context>
    <name>QuorvelClient::GUI::VideoPanel</name>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="13"/>
        <source>Controls</source>
        <translation>Управление</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="81"/>
        <location filename="../../forms/VideoPanel.ui" line="117"/>
        <source>Current playback time</source>
        <translation>Текущее время воспроизведения</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="104"/>
        <location filename="../../gui/playback/widgets/VideoPanel.cpp" line="122"/>
        <source>Pause</source>
        <translation>Пауза</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="124"/>
        <source>--:--:--</source>
        <translation>--:--:--</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="138"/>
        <source>Rotate clockwise</source>
        <translation>Повернуть по часовой стрелке</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="154"/>
        <source>Save image...</source>
        <translation>Сохранить изображение...</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="192"/>
        <source>Export archive to file...</source>
        <translation>Экспортировать архив в файл...</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="207"/>
        <source>Start archive loading</source>
        <translation>Начать загрузку архива</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="222"/>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="263"/>
        <source>Search records with motion in selected area...</source>
        <translation>Искать записи с движением в выбранной области...</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="278"/>
        <source>Close search results</source>
        <translation>Закрыть результаты поиска</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="293"/>
        <source>Start search!</source>
        <translation>Начать поиск!</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="308"/>
        <source>Cancel search</source>
        <translation>Отменить поиск</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="327"/>
        <source>Go to live video</source>
        <translation>Перейти к живому видео</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="341"/>
        <source>Video quality</source>
        <translation>Качество видео</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="343"/>
        <source>Low</source>
        <translation>Низкое</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="344"/>
        <source>Middle</source>
        <translation>Среднее</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="345"/>
        <location filename="../../gui/playback/widgets/VideoPanel.cpp" line="207"/>
        <source>High</source>
        <translation>Высокое</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="352"/>
        <source>Archive play speed</source>
        <translation>Скорость воспроизведения архива</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPanel.ui" line="380"/>
        <source>Volume</source>
        <translation>Громкость</translation>
    </message>
    <message>
        <location filename="../../gui/playback/widgets/VideoPanel.cpp" line="122"/>
        <source>Continue watching</source>
        <translation>Продолжить просмотр</translation>
    </message>
</context>
<context>
    <name>VideoPlaceholderWidget</name>
    <message>
        <location filename="../../forms/VideoPlaceholderWidget.ui" line="40"/>
        <source>Continuous video streaming time is limited</source>
        <translation>Время непрерывного просмотра видео ограничено</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPlaceholderWidget.ui" line="60"/>
        <source>Continue watching video</source>
        <translation>Продолжить просмотр видео</translation>
    </message>
    <message>
        <location filename="../../forms/VideoPlaceholderWidget.ui" line="83"/>
        <source>Continue watching</source>
        <translation>Продолжить просмотр</translation>
    </message>
    <message>
        <location filename="../../gui/playback/VideoPlaceholderWidget.cpp" line="16"/>
        <source>Watched since %1 for %2.</source>
        <translation>Просмотр с %1, длительность %2.</translation>
    </message>
</context>
</TS>
