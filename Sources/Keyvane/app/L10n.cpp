// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/L10n.h"

#include "KeyvaneCore/Models.h"

namespace keyvane::L10n {
namespace {

struct Row {
    const char* key;
    const char* en;
    const char* uk;
    const char* ru;
};

// One row per key: English, Ukrainian, Russian.
const Row keyRows[] = {
    {"menu.launch_at_login", "Launch at Login", "Запускати під час входу", "Запускать при входе"},
    {"menu.enabled", "Enabled", "Увімкнено", "Включено"},
    {"menu.learning_mode", "Learning Mode", "Режим навчання", "Режим обучения"},
    {"menu.pause_15", "Pause for 15 Minutes", "Призупинити на 15 хвилин", "Приостановить на 15 минут"},
    {"menu.pause_restart", "Pause Until Restart", "Призупинити до перезапуску",
     "Приостановить до перезапуска"},
    {"menu.resume", "Resume", "Продовжити", "Продолжить"},
    {"menu.undo", "Undo Last Correction", "Скасувати останнє виправлення", "Отменить последнее исправление"},
    {"menu.convert_selected", "Convert Selected Text", "Конвертувати виділений текст",
     "Конвертировать выделенный текст"},
    {"menu.convert_to", "Convert To", "Конвертувати в", "Конвертировать в"},
    {"menu.disable_current_app", "Disable for Current App", "Вимкнути для поточної програми",
     "Отключить для текущего приложения"},
    {"menu.disable_app", "Disable “%@”", "Вимкнути «%@»", "Отключить «%@»"},
    {"menu.enable_app", "Enable “%@”", "Увімкнути «%@»", "Включить «%@»"},
    {"menu.settings", "Settings...", "Налаштування...", "Настройки..."},
    {"menu.update_available", "Keyvane %@ Is Available…", "Доступна версія Keyvane %@…",
     "Доступна версия Keyvane %@…"},
    {"menu.quit", "Quit Keyvane", "Вийти з Keyvane", "Выйти из Keyvane"},
    {"menu.state.disabled", "Disabled", "Вимкнено", "Отключено"},
    {"menu.state.paused", "Paused", "Призупинено", "Приостановлено"},
    {"menu.state.active", "Active", "Активно", "Активно"},
    {"menu.state.game", "Paused (game)", "Призупинено (гра)", "Приостановлено (игра)"},
    {"menu.warn.accessibility", "  ⚠ Accessibility — Click to Fix",
     "  ⚠ Доступ до клавіатури — натисніть, щоб виправити",
     "  ⚠ Доступ к клавиатуре — нажмите, чтобы исправить"},
    {"settings.title", "Keyvane Settings", "Налаштування Keyvane", "Настройки Keyvane"},
    {"settings.tab.general", "General", "Загальні", "Общие"},
    {"settings.tab.hotkeys", "Hotkeys", "Гарячі клавіші", "Горячие клавиши"},
    {"settings.tab.rules", "Rules", "Правила", "Правила"},
    {"settings.tab.languages", "Languages", "Мови", "Языки"},
    {"settings.tab.apps", "Apps", "Програми", "Приложения"},
    {"settings.tab.feedback", "Feedback", "Відгук", "Отзыв"},
    {"settings.tab.debug", "Debug", "Налагодження", "Отладка"},
    {"settings.reset.confirm_title", "Reset all settings to defaults?",
     "Скинути всі налаштування до типових?", "Сбросить все настройки по умолчанию?"},
    {"settings.reset.confirm_body",
     "This restores the default configuration and removes your excluded apps, custom correction rules, "
     "learned "
     "auto-corrections, and language priority order. This cannot be undone.",
     "Буде відновлено типову конфігурацію та видалено виключені програми, власні правила виправлення, "
     "вивчені "
     "автовиправлення й порядок пріоритету мов. Це не можна скасувати.",
     "Будет восстановлена конфигурация по умолчанию и удалены исключённые приложения, собственные правила "
     "исправления, выученные автоисправления и порядок приоритета языков. Это нельзя отменить."},
    {"settings.reset.button", "Reset", "Скинути", "Сбросить"},
    {"settings.reset.done", "Settings reset to defaults.", "Налаштування скинуто до типових.",
     "Настройки сброшены по умолчанию."},
    {"common.cancel", "Cancel", "Скасувати", "Отмена"},
    {"common.ok", "OK", "Гаразд", "ОК"},
    {"common.add", "Add", "Додати", "Добавить"},
    {"common.remove", "Remove", "Видалити", "Удалить"},
    {"general.language.header", "Interface Language", "Мова інтерфейсу", "Язык интерфейса"},
    {"general.language.desc", "The language of Keyvane's own menus and windows.",
     "Мова меню та вікон Keyvane.", "Язык меню и окон Keyvane."},
    {"general.updates.header", "Updates", "Оновлення", "Обновления"},
    {"general.updates.auto", "Check for updates automatically", "Автоматично перевіряти оновлення",
     "Автоматически проверять обновления"},
    {"general.updates.freq_label", "Check:", "Перевіряти:", "Проверять:"},
    {"general.updates.unconfigured",
     "This build never checks for updates: no update feed and signing key were set when it was built.",
     "Ця збірка ніколи не перевіряє оновлень: під час збирання не було вказано стрічку оновлень і ключ "
     "підпису.",
     "Эта сборка никогда не проверяет обновления: при сборке не были указаны лента обновлений и ключ "
     "подписи."},
    {"general.updates.skip", "Skip This Version", "Пропустити цю версію", "Пропустить эту версию"},
    {"general.updates.check_now", "Check Now", "Перевірити зараз", "Проверить сейчас"},
    {"general.updates.desc", "Keyvane looks for a new version on the chosen schedule.",
     "Keyvane шукає нову версію за обраним розкладом.",
     "Keyvane ищет новую версию по выбранному расписанию."},
    {"general.updates.available", "New version %@ is available — use Check Now to install.",
     "Доступна нова версія %@ — натисніть «Перевірити зараз», щоб установити.",
     "Доступна новая версия %@ — нажмите «Проверить сейчас», чтобы установить."},
    {"general.docs.header", "Documentation", "Документація", "Документация"},
    {"general.docs.manual", "Open the Manual", "Відкрити посібник", "Открыть руководство"},
    {"general.docs.desc", "Opens Keyvane's guide and documentation on the Keyvane web site in your browser.",
     "Відкриває посібник і документацію Keyvane на сайті Keyvane у браузері.",
     "Открывает руководство и документацию Keyvane на сайте Keyvane в браузере."},
    {"general.reset.header", "Reset", "Скидання", "Сброс"},
    {"general.reset.button", "Reset All Settings…", "Скинути всі налаштування…", "Сбросить все настройки…"},
    {"general.reset.desc", "Restores every setting, rule and exclusion to its default.",
     "Повертає всі налаштування, правила й виключення до типових.",
     "Возвращает все настройки, правила и исключения к значениям по умолчанию."},
    {"general.about.header", "About", "Про програму", "О программе"},
    {"general.about.text",
     "Keyvane %@ — free software under the GNU General Public License, version 3 or later.",
     "Keyvane %@ — вільна програма за ліцензією GNU General Public License версії 3 або новішої.",
     "Keyvane %@ — свободная программа по лицензии GNU General Public License версии 3 или более поздней."},
    {"general.games.header", "Games", "Ігри", "Игры"},
    {"general.games.checkbox", "Pause while a game is in front", "Призупиняти, коли на передньому плані гра",
     "Приостанавливать, когда на переднем плане игра"},
    {"general.games.desc", "Keys pressed in games are never corrected.",
     "Клавіші, натиснуті в іграх, не виправляються.", "Клавиши, нажатые в играх, не исправляются."},
    {"freq.1h", "Every hour", "Щогодини", "Каждый час"},
    {"freq.1d", "Once a day", "Раз на день", "Раз в день"},
    {"freq.startup", "At startup only", "Лише під час запуску", "Только при запуске"},
    {"freq.never", "Never", "Ніколи", "Никогда"},
    {"hotkeys.undo.label",
     "Undo Last Correction:", "Скасувати останнє виправлення:", "Отменить последнее исправление:"},
    {"hotkeys.undo.desc", "Puts back the word you typed before the last correction.",
     "Повертає слово, яке ви набрали до останнього виправлення.",
     "Возвращает слово, набранное до последнего исправления."},
    {"hotkeys.switch.label",
     "Convert Selected Text:", "Конвертувати виділений текст:", "Конвертировать выделенный текст:"},
    {"hotkeys.switch.desc", "Converts the selected text into the layout it was meant for.",
     "Перетворює виділений текст на розкладку, для якої його набирали.",
     "Переводит выделенный текст в раскладку, для которой он набирался."},
    {"hotkeys.convert.header", "Convert Selection to a Language", "Конвертувати виділене в мову",
     "Конвертировать выделенное в язык"},
    {"hotkeys.convert.row",
     "Convert Selection to %@:", "Конвертувати виділене в %@:", "Конвертировать выделенное в %@:"},
    {"hotkeys.save", "Save", "Зберегти", "Сохранить"},
    {"hotkeys.save.desc",
     "Hotkeys are taken together when you press Save: one that another program holds is refused, and "
     "the others stay as they were.",
     "Гарячі клавіші беруться разом, коли ви натискаєте «Зберегти»: ту, яку тримає інша програма, "
     "відхилено, а решта лишаються як були.",
     "Горячие клавиши берутся вместе, когда вы нажимаете «Сохранить»: ту, что держит другая программа, "
     "отклоняют, а остальные остаются как были."},
    {"hotkeys.saved", "Saved: the new hotkeys work now.", "Збережено: нові гарячі клавіші вже діють.",
     "Сохранено: новые горячие клавиши уже действуют."},
    {"hotkeys.error.missing", "Undo and Convert Selection both need a hotkey.",
     "Скасування й конвертування виділеного потребують гарячих клавіш.",
     "Отмене и конвертации выделенного нужны горячие клавиши."},
    {"hotkeys.error.taken", "%@ is already used by the desktop or another program; choose another.",
     "%@ вже використовує робочий стіл або інша програма; виберіть іншу.",
     "%@ уже использует рабочий стол или другая программа; выберите другое."},
    {"hotkeys.error.needs_modifier", "%@ would take a key you type with: add Control, Alt or Super.",
     "%@ забрала б клавішу, якою ви друкуєте: додайте Control, Alt або Super.",
     "%@ забрало бы клавишу, которой вы печатаете: добавьте Control, Alt или Super."},
    {"hotkeys.error.duplicate", "%@ is given to two actions.", "%@ призначено двом діям.",
     "%@ назначено двум действиям."},
    {"hotkeys.reset", "Restore Defaults", "Відновити типові", "Восстановить по умолчанию"},
    {"hotkeys.recorder.placeholder", "Click to record", "Натисніть, щоб записати", "Нажмите, чтобы записать"},
    {"hotkeys.recorder.recording", "Press hotkey...", "Натисніть комбінацію...", "Нажмите сочетание..."},
    {"rules.search_placeholder", "Search", "Пошук", "Поиск"},
    {"rules.pairs.header", "Correction Rules (source lang → typed → target lang → corrected):",
     "Правила виправлення (мова джерела → набране → цільова мова → виправлене):",
     "Правила исправления (язык источника → набранное → целевой язык → исправленное):"},
    {"rules.col.from_lang", "From", "З мови", "С языка"},
    {"rules.col.typed", "Typed", "Набрано", "Набрано"},
    {"rules.col.to_lang", "To", "На мову", "На язык"},
    {"rules.col.corrected", "Corrected", "Виправлено", "Исправлено"},
    {"rules.never.header", "Never Correct (language → word):", "Ніколи не виправляти (мова → слово):",
     "Никогда не исправлять (язык → слово):"},
    {"rules.col.language", "Language", "Мова", "Язык"},
    {"rules.col.word", "Word", "Слово", "Слово"},
    {"rules.add_pair.title", "Add Correction Rule", "Додати правило виправлення",
     "Добавить правило исправления"},
    {"rules.add_pair.body", "When the typed word appears, it is replaced by the corrected word.",
     "Коли з'явиться набране слово, його буде замінено виправленим.",
     "Когда появится набранное слово, оно будет заменено исправленным."},
    {"rules.field.typed", "Typed:", "Набрано:", "Набрано:"},
    {"rules.field.from_language", "From language:", "З мови:", "С языка:"},
    {"rules.field.corrected", "Corrected:", "Виправлено:", "Исправлено:"},
    {"rules.field.to_language", "To language:", "На мову:", "На язык:"},
    {"rules.placeholder.typed", "Typed word (e.g. ghbdtn)", "Набране слово (напр. ghbdtn)",
     "Набранное слово (напр. ghbdtn)"},
    {"rules.placeholder.corrected", "Corrected word (e.g. привет)", "Виправлене слово (напр. привіт)",
     "Исправленное слово (напр. привет)"},
    {"rules.add_exc.title", "Add Exception", "Додати виняток", "Добавить исключение"},
    {"rules.add_exc.body", "This word will never be corrected.", "Це слово ніколи не буде виправлено.",
     "Это слово никогда не будет исправлено."},
    {"rules.field.language", "Language:", "Мова:", "Язык:"},
    {"rules.field.word", "Word:", "Слово:", "Слово:"},
    {"rules.placeholder.word", "Word (e.g. git)", "Слово (напр. git)", "Слово (напр. git)"},
    {"apps.header", "Keyvane does not correct in these applications:",
     "Keyvane не виправляє в цих програмах:", "Keyvane не исправляет в этих приложениях:"},
    {"apps.col.application", "Application", "Програма", "Приложение"},
    {"apps.col.bundle", "Identifier", "Ідентифікатор", "Идентификатор"},
    {"apps.add", "Add Application…", "Додати програму…", "Добавить приложение…"},
    {"apps.remove", "Remove", "Видалити", "Удалить"},
    {"apps.hint", "Tip: the menu's “Disable for Current App” does the same for the app in front.",
     "Порада: пункт меню «Вимкнути для поточної програми» робить те саме для програми на передньому плані.",
     "Совет: пункт меню «Отключить для текущего приложения» делает то же для приложения на переднем плане."},
    {"apps.panel.title", "Choose an Application", "Виберіть програму", "Выберите приложение"},
    {"security.header", "Passwords", "Паролі", "Пароли"},
    {"security.desc",
     "Keyvane never reads or corrects what you type in a password field or a password prompt.",
     "Keyvane ніколи не читає й не виправляє те, що ви вводите в поле пароля чи запит пароля.",
     "Keyvane никогда не читает и не исправляет то, что вы вводите в поле пароля или запрос пароля."},
    {"security.bus_missing",
     "The accessibility bus is not running, so Keyvane cannot tell password fields from other fields: a word "
     "typed in a password field may be corrected.",
     "Шина доступності не працює, тож Keyvane не може відрізнити поля пароля від інших: слово, введене в "
     "поле "
     "пароля, може бути виправлено.",
     "Шина доступности не работает, поэтому Keyvane не может отличить поля пароля от других: слово, "
     "введённое в "
     "поле пароля, может быть исправлено."},
    {"security.skip_unknown", "Don't correct when I can't tell", "Не виправляти, коли не можна це визначити",
     "Не исправлять, когда это нельзя определить"},
    {"security.terminal_hint",
     "Terminals do not tell when they ask for a password (sudo, ssh). If you type passwords there, exclude "
     "your "
     "terminal.",
     "Термінали не повідомляють, коли запитують пароль (sudo, ssh). Якщо ви вводите там паролі, виключіть "
     "свій "
     "термінал.",
     "Терминалы не сообщают, когда запрашивают пароль (sudo, ssh). Если вы вводите там пароли, исключите "
     "свой "
     "терминал."},
    {"debug.log.typed_warning", "While the developer log is on, the words you type are written to it.",
     "Поки журнал розробника ввімкнено, слова, які ви вводите, записуються в нього.",
     "Пока журнал разработчика включён, вводимые вами слова записываются в него."},
    {"apps.panel.prompt", "Exclude", "Виключити", "Исключить"},
    {"languages.header", "Languages Keyvane corrects between, highest priority first:",
     "Мови, між якими Keyvane виправляє, найвищий пріоритет першим:",
     "Языки, между которыми Keyvane исправляет, высший приоритет первым:"},
    {"languages.col.language", "Language", "Мова", "Язык"},
    {"languages.col.status", "Status", "Стан", "Состояние"},
    {"languages.col.priority", "Priority", "Пріоритет", "Приоритет"},
    {"languages.move_up", "Move Up", "Вище", "Выше"},
    {"languages.move_down", "Move Down", "Нижче", "Ниже"},
    {"languages.hint", "A language is active when its keyboard layout is installed.",
     "Мова активна, коли встановлено її розкладку клавіатури.",
     "Язык активен, когда установлена его раскладка клавиатуры."},
    {"languages.status.active", "Active", "Активна", "Активен"},
    {"languages.status.inactive", "Inactive", "Неактивна", "Неактивен"},
    {"languages.always_first", " (always first)", " (завжди перша)", " (всегда первый)"},
    {"feedback.type", "Type:", "Тип:", "Тип:"},
    {"feedback.message", "Message:", "Повідомлення:", "Сообщение:"},
    {"feedback.email", "E-mail (optional):", "Ел. пошта (необов'язково):", "Эл. почта (необязательно):"},
    {"feedback.email_placeholder", "you@example.com", "you@example.com", "you@example.com"},
    {"learning.notice.title", "Keyvane will leave “%@” alone", "Keyvane більше не чіпатиме «%@»",
     "Keyvane больше не будет трогать «%@»"},
    {"learning.notice.body",
     "You undid its correction, so it is no longer corrected (learning mode). Settings → Rules lists "
     "such words: remove one there to have it corrected again.",
     "Ви скасували його виправлення, тож воно більше не виправляється (режим навчання). Налаштування → "
     "Правила показують такі слова: видаліть слово там, щоб його знову виправляли.",
     "Вы отменили его исправление, поэтому оно больше не исправляется (режим обучения). Настройки → "
     "Правила показывают такие слова: удалите слово там, чтобы его снова исправляли."},
    {"crash.notice.title", "Keyvane stopped unexpectedly", "Keyvane несподівано зупинився",
     "Keyvane неожиданно остановился"},
    {"crash.notice.body", "It kept a record of what happened. Click to send it with your feedback.",
     "Він зберіг запис про те, що сталося. Клацніть, щоб надіслати його з відгуком.",
     "Он сохранил запись о том, что случилось. Щёлкните, чтобы отправить её с отзывом."},
    {"feedback.include_crash_log", "Include the record of the last crash", "Додати запис про останній збій",
     "Приложить запись о последнем сбое"},
    {"feedback.privacy",
     "Submitting sends only what you see here — your message, the type, and the optional e-mail — plus the "
     "app "
     "version, operating system version, architecture, and system locale. Nothing else, ever.",
     "Надсилається лише те, що ви бачите тут, — ваше повідомлення, тип і необов'язкова ел. пошта — а також "
     "версія "
     "програми, версія операційної системи, архітектура та мовні налаштування системи. Більше нічого й "
     "ніколи.",
     "Отправляется только то, что вы видите здесь, — ваше сообщение, тип и необязательная эл. почта — а "
     "также "
     "версия приложения, версия операционной системы, архитектура и языковые настройки системы. Больше "
     "ничего и "
     "никогда."},
    {"feedback.submit", "Send", "Надіслати", "Отправить"},
    {"feedback.status.empty", "Please enter a message first.", "Спершу введіть повідомлення.",
     "Сначала введите сообщение."},
    {"feedback.status.sending", "Sending…", "Надсилання…", "Отправка…"},
    {"feedback.status.thanks", "Thank you! Your feedback was sent.", "Дякуємо! Ваш відгук надіслано.",
     "Спасибо! Ваш отзыв отправлен."},
    {"feedback.type.bug", "Bug report", "Повідомлення про помилку", "Сообщение об ошибке"},
    {"feedback.type.idea", "Feature idea", "Ідея функції", "Идея функции"},
    {"feedback.type.other", "Other", "Інше", "Другое"},
    {"feedback.error.empty", "Please enter a message.", "Введіть повідомлення.", "Введите сообщение."},
    {"feedback.error.rate_limited", "Too many submissions. Please try again later.",
     "Забагато надсилань. Спробуйте пізніше.", "Слишком много отправок. Попробуйте позже."},
    {"feedback.error.server", "The server rejected the request (HTTP %d).",
     "Сервер відхилив запит (HTTP %d).", "Сервер отклонил запрос (HTTP %d)."},
    {"feedback.error.network", "Could not send feedback: %@", "Не вдалося надіслати відгук: %@",
     "Не удалось отправить отзыв: %@"},
    {"feedback.error.unconfigured",
     "Sending feedback is not available in this build: no feedback service was set when it was built.",
     "Надсилання відгуків недоступне в цій збірці: під час збирання не було вказано службу відгуків.",
     "Отправка отзывов недоступна в этой сборке: при сборке не была указана служба отзывов."},
    {"debug.location.header", "Program Location", "Розташування програми", "Расположение программы"},
    {"debug.open_finder", "Show in File Manager", "Показати у файловому менеджері",
     "Показать в файловом менеджере"},
    {"debug.distribution.header", "Distribution", "Спосіб встановлення", "Способ установки"},
    {"debug.log.header", "Developer Log", "Журнал розробника", "Журнал разработчика"},
    {"debug.log.checkbox", "Write developer log to %@", "Записувати журнал розробника в %@",
     "Записывать журнал разработчика в %@"},
    {"debug.show_log", "Show Log", "Показати журнал", "Показать журнал"},
    {"debug.log.desc",
     "The developer log can record typed text, so it is developer-only and off by default. This mirrors the "
     "menu-bar “Debug” toggle.",
     "Журнал розробника може записувати набраний текст, тому він лише для розробників і типово вимкнений. Це "
     "дублює перемикач «Debug» у меню.",
     "Журнал разработчика может записывать набранный текст, поэтому он только для разработчиков и по "
     "умолчанию "
     "выключен. Это дублирует переключатель «Debug» в меню."},
    {"onboarding.window_title", "Welcome to Keyvane", "Ласкаво просимо до Keyvane",
     "Добро пожаловать в Keyvane"},
    {"onboarding.title", "Keyvane needs access to your keyboard", "Keyvane потрібен доступ до клавіатури",
     "Keyvane нужен доступ к клавиатуре"},
    {"onboarding.title_ready", "Keyvane can watch your keyboard", "Keyvane може стежити за клавіатурою",
     "Keyvane может следить за клавиатурой"},
    {"onboarding.subtitle", "To fix words typed in the wrong layout, Keyvane watches key presses.",
     "Щоб виправляти слова, набрані не в тій розкладці, Keyvane стежить за натисканнями клавіш.",
     "Чтобы исправлять слова, набранные не в той раскладке, Keyvane следит за нажатиями клавиш."},
    {"onboarding.subtitle_detail",
     "It needs an X11 session whose server allows watching keys and typing for you.",
     "Для цього потрібен сеанс X11, сервер якого дозволяє стежити за клавішами й набирати за вас.",
     "Для этого нужен сеанс X11, сервер которого позволяет следить за клавишами и набирать за вас."},
    {"onboarding.card.title", "Keyboard access", "Доступ до клавіатури", "Доступ к клавиатуре"},
    {"onboarding.card.desc", "Log in to an X11 (Xorg) session; Wayland sessions without X do not allow it.",
     "Увійдіть у сеанс X11 (Xorg); сеанси Wayland без X цього не дозволяють.",
     "Войдите в сеанс X11 (Xorg); сеансы Wayland без X этого не позволяют."},
    {"onboarding.card.desc_extensions",
     "This X server lacks XInput 2.2 or XTEST, which Keyvane needs to see keys and to type for you. Xorg has "
     "both; some remote-desktop servers do not.",
     "Цьому X-серверу бракує XInput 2.2 або XTEST, без яких Keyvane не бачить клавіш і не може набирати за "
     "вас. "
     "Xorg має обидва; деякі сервери віддаленого робочого столу — ні.",
     "Этому X-серверу не хватает XInput 2.2 или XTEST, без которых Keyvane не видит клавиш и не может "
     "набирать "
     "за вас. У Xorg есть оба; у некоторых серверов удалённого рабочего стола — нет."},
    {"onboarding.card.ready",
     "Keyvane can watch and type keys here. It sits in the tray: its menu pauses it, excludes applications "
     "and "
     "opens the settings.",
     "Keyvane може тут стежити за клавішами й набирати. Він живе в лотку: його меню призупиняє роботу, "
     "вимикає "
     "його для програм і відкриває налаштування.",
     "Keyvane может здесь следить за клавишами и набирать. Он живёт в трее: его меню приостанавливает "
     "работу, "
     "отключает его для приложений и открывает настройки."},
    {"onboarding.continue", "Continue", "Продовжити", "Продолжить"},
    {"onboarding.open_settings", "Open Instructions", "Відкрити інструкції", "Открыть инструкции"},
    {"onboarding.reset_permission", "Check Again", "Перевірити знову", "Проверить снова"},
    {"onboarding.help_prefix", "Having trouble granting permission?\nCheck the ",
     "Не вдається надати дозвіл?\nПерегляньте ", "Не получается дать разрешение?\nЗагляните в "},
    {"onboarding.help_link", "manual", "посібник", "руководство"},
    {"onboarding.help_suffix", ".", ".", "."},
    {"onboarding.banner", "Typed text stays on your computer — never uploaded, logged, or shared.",
     "Набраний текст залишається на вашому комп'ютері — його ніколи не вивантажують, не записують і не "
     "передають.",
     "Набранный текст остаётся на вашем компьютере — его никогда не выгружают, не записывают и не передают."},
    {"onboarding.ax_enabled", "Keyboard access granted", "Доступ до клавіатури надано",
     "Доступ к клавиатуре предоставлен"},
    {"onboarding.hint.waiting", "Waiting for keyboard access in an X11 session…",
     "Очікування доступу до клавіатури в сеансі X11…", "Ожидание доступа к клавиатуре в сеансе X11…"},
    {"onboarding.wayland.title", "Programs on Wayland", "Програми у Wayland", "Программы в Wayland"},
    {"onboarding.wayland.steps",
     "In this Wayland session only the input-method framework sees the keys of programs that do not run "
     "through X. To have Keyvane correct them: install fcitx5 and the addon (apt install fcitx5 "
     "keyvane-fcitx5), make fcitx5 the input method (im-config -n fcitx5, or your desktop's setting), add "
     "Keyboard - English (US), Russian and Ukrainian to its input methods (fcitx5-configtool), and log in "
     "again.",
     "У цьому сеансі Wayland клавіші програм, що працюють не через X, бачить лише система методів введення. "
     "Щоб Keyvane виправляв і їх: встановіть fcitx5 і доповнення (apt install fcitx5 keyvane-fcitx5), "
     "зробіть fcitx5 методом введення (im-config -n fcitx5 або налаштування вашого робочого столу), додайте "
     "до його методів введення Keyboard - English (US), Russian і Ukrainian (fcitx5-configtool) і увійдіть "
     "знову.",
     "В этом сеансе Wayland клавиши программ, работающих не через X, видит только система методов ввода. "
     "Чтобы Keyvane исправлял и их: установите fcitx5 и дополнение (apt install fcitx5 keyvane-fcitx5), "
     "сделайте fcitx5 методом ввода (im-config -n fcitx5 или настройки вашего рабочего стола), добавьте в "
     "его методы ввода Keyboard - English (US), Russian и Ukrainian (fcitx5-configtool) и войдите снова."},
    {"onboarding.gnome.steps",
     "On GNOME on Wayland only IBus sees the keys of programs that do not run through X. To have Keyvane "
     "correct them: install its IBus engine (apt install keyvane-ibus), then in Settings, Keyboard, Input "
     "Sources, add \"Keyvane (English, Russian, Ukrainian)\" and remove the separate English, Russian and "
     "Ukrainian sources: it types all three.",
     "У GNOME на Wayland клавіші програм, що працюють не через X, бачить лише IBus. Щоб Keyvane виправляв і "
     "їх: встановіть його рушій IBus (apt install keyvane-ibus), потім у Параметрах, розділ Клавіатура, "
     "Джерела введення, додайте «Keyvane (English, Russian, Ukrainian)» і приберіть окремі англійське, "
     "російське й українське джерела: він набирає всіма трьома.",
     "В GNOME на Wayland клавиши программ, работающих не через X, видит только IBus. Чтобы Keyvane "
     "исправлял и их: установите его движок IBus (apt install keyvane-ibus), затем в Параметрах, раздел "
     "Клавиатура, Источники ввода, добавьте «Keyvane (English, Russian, Ukrainian)» и уберите отдельные "
     "английский, русский и украинский источники: он набирает всеми тремя."},
    {"onboarding.gnome.select",
     "Keyvane's IBus engine is installed but is not your input source: in Settings, Keyboard, Input Sources, "
     "add \"Keyvane (English, Russian, Ukrainian)\" and remove the separate English, Russian and Ukrainian "
     "sources.",
     "Рушій IBus від Keyvane встановлено, але він не є вашим джерелом введення: у Параметрах, розділ "
     "Клавіатура, Джерела введення, додайте «Keyvane (English, Russian, Ukrainian)» і приберіть окремі "
     "англійське, російське й українське джерела.",
     "Движок IBus от Keyvane установлен, но не является вашим источником ввода: в Параметрах, раздел "
     "Клавиатура, Источники ввода, добавьте «Keyvane (English, Russian, Ukrainian)» и уберите отдельные "
     "английский, русский и украинский источники."},
    {"onboarding.gnome.add", "Add Keyvane to my input sources", "Додати Keyvane до моїх джерел введення",
     "Добавить Keyvane в мои источники ввода"},
    {"onboarding.gnome.added",
     "Keyvane is now first in your input sources, and your other sources are kept: choose it in the "
     "input-source menu of GNOME's top bar.",
     "Keyvane тепер перший у ваших джерелах введення, а інші джерела залишилися: виберіть його в меню "
     "джерел введення на верхній панелі GNOME.",
     "Keyvane теперь первый в ваших источниках ввода, а остальные источники остались: выберите его в "
     "меню источников ввода на верхней панели GNOME."},
    {"onboarding.gnome.add_failed", "Keyvane could not be added to your input sources: ",
     "Не вдалося додати Keyvane до ваших джерел введення: ",
     "Не удалось добавить Keyvane в ваши источники ввода: "},
    {"onboarding.gnome.switch_key_why",
     "GNOME keeps Super+Space for going from one input source to the next, so with Keyvane as your only "
     "source it switches nothing. Keyvane can take Super+Space to switch among its English, Russian and "
     "Ukrainian layouts; GNOME keeps its other keys for input sources.",
     "GNOME залишає Super+Пробіл для переходу між джерелами введення, тож коли Keyvane — ваше єдине "
     "джерело, він нічого не перемикає. Keyvane може взяти Super+Пробіл, щоб перемикати свої англійську, "
     "російську й українську розкладки; GNOME залишить собі інші клавіші для джерел введення.",
     "GNOME оставляет Super+Пробел для перехода между источниками ввода, поэтому, когда Keyvane — ваш "
     "единственный источник, он ничего не переключает. Keyvane может взять Super+Пробел, чтобы "
     "переключать свои английскую, русскую и украинскую раскладки; GNOME оставит себе другие клавиши для "
     "источников ввода."},
    {"onboarding.gnome.switch_key", "Switch Keyvane's layouts with Super+Space",
     "Перемикати розкладки Keyvane клавішами Super+Пробіл",
     "Переключать раскладки Keyvane клавишами Super+Пробел"},
    {"onboarding.gnome.switch_key_given", "Super+Space now switches Keyvane's layouts.",
     "Super+Пробіл тепер перемикає розкладки Keyvane.", "Super+Пробел теперь переключает раскладки Keyvane."},
    {"onboarding.gnome.switch_key_failed", "Super+Space could not be given to Keyvane: ",
     "Не вдалося віддати Super+Пробіл Keyvane: ", "Не удалось отдать Super+Пробел Keyvane: "},
    {"onboarding.gnome.ready",
     "Keyvane types and corrects as your IBus input source: words typed in programs on Wayland are corrected "
     "there, and GNOME's panel shows the layout it types with.",
     "Keyvane набирає й виправляє як ваше джерело введення IBus: слова, набрані в програмах у Wayland, "
     "виправляються там, а панель GNOME показує розкладку, якою він набирає.",
     "Keyvane набирает и исправляет как ваш источник ввода IBus: слова, набранные в программах в Wayland, "
     "исправляются там, а панель GNOME показывает раскладку, которой он набирает."},
    {"onboarding.wayland.ready",
     "Keyvane's addon runs inside fcitx5: words typed in programs on Wayland are corrected there, and the "
     "tray shows the layout it types with.",
     "Доповнення Keyvane працює всередині fcitx5: слова, набрані в програмах у Wayland, виправляються там, "
     "а лоток показує розкладку, якою воно набирає.",
     "Дополнение Keyvane работает внутри fcitx5: слова, набранные в программах в Wayland, исправляются там, "
     "а трей показывает раскладку, которой оно набирает."},
    {"onboarding.language_label", "Interface language:", "Мова інтерфейсу:", "Язык интерфейса:"},
};

struct Tables {
    StringMap<std::string> en, uk, ru;
    std::vector<std::string> keys;
};

const Tables& tables() {
    static const Tables built = [] {
        Tables t;
        for (const Row& row : keyRows) {
            t.keys.emplace_back(row.key);
            t.en.emplace(row.key, row.en);
            t.uk.emplace(row.key, row.uk);
            t.ru.emplace(row.key, row.ru);
        }
        return t;
    }();
    return built;
}

std::string& currentLanguage() {
    static std::string code = "en";
    return code;
}

} // namespace

const std::string& language() {
    return currentLanguage();
}
void setLanguage(const std::string& code) {
    currentLanguage() = code;
}

const std::vector<std::pair<std::string, std::string>>& uiLanguages() {
    static const std::vector<std::pair<std::string, std::string>> languages = {
        {"en", "English"}, {"uk", "Українська"}, {"ru", "Русский"}};
    return languages;
}

std::string t(const std::string& key, const std::string& languageCode) {
    const Tables& all = tables();
    const StringMap<std::string>& table = languageCode == "uk"   ? all.uk
                                          : languageCode == "ru" ? all.ru
                                                                 : all.en;
    if (auto it = table.find(key); it != table.end()) {
        return it->second;
    }
    if (auto it = all.en.find(key); it != all.en.end()) {
        return it->second;
    }
    return key;
}

std::string t(const std::string& key) {
    return t(key, currentLanguage());
}

const std::vector<std::string>& keys() {
    return tables().keys;
}

std::string format(const std::string& key, const std::string& argument) {
    std::string text = t(key);
    for (const char* placeholder : {"%@", "%d"}) {
        if (const std::size_t at = text.find(placeholder); at != std::string::npos) {
            text.replace(at, 2, argument);
        }
    }
    return text;
}

} // namespace keyvane::L10n
