-- Demo content: rights in categories, groups, staff with logins, rights given to groups and
-- users put into groups. UTF-8 file, loaded by isql-fb with -ch UTF8 (stored as WIN1251).
-- The matching Firebird accounts are made by scripts/make-demo-db (login = IBNAME, password demo).

INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (1, 'Просмотр абонентов', 'Абоненты', 'Чтение карточек абонентов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (2, 'Добавление абонентов', 'Абоненты', 'Заведение новых абонентов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (3, 'Изменение абонентов', 'Абоненты', 'Правка карточек абонентов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (4, 'Удаление абонентов', 'Абоненты', 'Удаление карточек абонентов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (5, 'Подключение услуг', 'Абоненты', 'Подключение и отключение пакетов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (6, 'Приём платежей', 'Платежи', 'Ввод оплат абонентов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (7, 'Отмена платежей', 'Платежи', 'Сторнирование оплат');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (8, 'Импорт банковских выписок', 'Платежи', 'Загрузка платежей из банка');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (9, 'Начисления', 'Платежи', 'Расчёт абонентской платы');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (10, 'Оборотная ведомость', 'Отчёты', 'Отчёт по оборотам');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (11, 'Список должников', 'Отчёты', 'Абоненты с задолженностью');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (12, 'Отчёт по подключениям', 'Отчёты', 'Подключения за период');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (13, 'Печать квитанций', 'Отчёты', 'Квитанции на оплату');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (14, 'Заявки на ремонт', 'Техническая служба', 'Приём заявок о неисправностях');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (15, 'Наряды монтажникам', 'Техническая служба', 'Выдача нарядов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (16, 'Отключение за долги', 'Техническая служба', 'Отключение абонентов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (17, 'Учёт оборудования', 'Техническая служба', 'Склад и оборудование');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (18, 'Справочник улиц', 'Справочники', 'Улицы и дома');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (19, 'Справочник тарифов', 'Справочники', 'Тарифы и пакеты каналов');
INSERT INTO SYS$RIGHTS (ID, RIGHTS, CATEGORY, NOTICE) VALUES (20, 'Справочник сотрудников', 'Справочники', 'Сотрудники и должности');

INSERT INTO SYS$GROUP (ID, GROUP_NAME, LOCKEDOUT, NOTICE) VALUES (NULL, 'Операторы', 0, 'Работа с абонентами');
INSERT INTO SYS$GROUP (ID, GROUP_NAME, LOCKEDOUT, NOTICE) VALUES (NULL, 'Кассиры', 0, 'Приём платежей');
INSERT INTO SYS$GROUP (ID, GROUP_NAME, LOCKEDOUT, NOTICE) VALUES (NULL, 'Бухгалтерия', 0, 'Начисления и отчёты');
INSERT INTO SYS$GROUP (ID, GROUP_NAME, LOCKEDOUT, NOTICE) VALUES (NULL, 'Техники', 0, 'Техническая служба');
INSERT INTO SYS$GROUP (ID, GROUP_NAME, LOCKEDOUT, NOTICE) VALUES (NULL, 'Стажёры', 1, 'Временно заблокирована');


INSERT INTO SYS$GROUP_RIGHTS SELECT G.ID, R.ID FROM SYS$GROUP G, SYS$RIGHTS R WHERE G.GROUP_NAME = 'Операторы' AND R.ID IN (1, 2, 3, 5, 13, 14);
INSERT INTO SYS$GROUP_RIGHTS SELECT G.ID, R.ID FROM SYS$GROUP G, SYS$RIGHTS R WHERE G.GROUP_NAME = 'Кассиры' AND R.ID IN (1, 6, 13);
INSERT INTO SYS$GROUP_RIGHTS SELECT G.ID, R.ID FROM SYS$GROUP G, SYS$RIGHTS R WHERE G.GROUP_NAME = 'Бухгалтерия' AND R.ID IN (1, 6, 7, 8, 9, 10, 11, 19);
INSERT INTO SYS$GROUP_RIGHTS SELECT G.ID, R.ID FROM SYS$GROUP G, SYS$RIGHTS R WHERE G.GROUP_NAME = 'Техники' AND R.ID IN (1, 12, 14, 15, 16, 17, 18);
INSERT INTO SYS$GROUP_RIGHTS SELECT G.ID, R.ID FROM SYS$GROUP G, SYS$RIGHTS R WHERE G.GROUP_NAME = 'Стажёры' AND R.ID IN (1);

SET GENERATOR GEN_OPERATIONS_UID TO 100;
INSERT INTO WORKER VALUES (101, 'Иванова', 'Мария', 'Петровна', '22-14-05', 'Старший оператор', 1, 'IVANOVA');
INSERT INTO WORKER VALUES (102, 'Петров', 'Сергей', 'Николаевич', '22-14-06', NULL, 1, 'PETROV');
INSERT INTO WORKER VALUES (103, 'Сидоренко', 'Ольга', 'Викторовна', '22-14-07', 'Кассир', 1, 'SIDORENKO');
INSERT INTO WORKER VALUES (104, 'Кузнецов', 'Алексей', 'Иванович', '22-14-08', 'Монтажник', 1, 'KUZNECOV');
INSERT INTO WORKER VALUES (105, 'Шевчук', 'Юлия', 'Андреевна', '22-14-09', 'Бухгалтер', 1, 'SHEVCHUK');
INSERT INTO WORKER VALUES (106, 'Ёлкин', 'Фёдор', 'Ильич', NULL, 'Стажёр', 0, 'ELKIN');
INSERT INTO WORKER VALUES (107, 'Жуков', 'Эдуард', 'Юрьевич', '22-14-11', 'Без входа в систему', 1, NULL);
SET GENERATOR GEN_OPERATIONS_UID TO 107;

INSERT INTO SYS$USER (ID, IBNAME, LOCKEDOUT) VALUES (101, 'IVANOVA', 0);
INSERT INTO SYS$USER (ID, IBNAME, LOCKEDOUT) VALUES (102, 'PETROV', 0);
INSERT INTO SYS$USER (ID, IBNAME, LOCKEDOUT) VALUES (103, 'SIDORENKO', 0);
INSERT INTO SYS$USER (ID, IBNAME, LOCKEDOUT) VALUES (104, 'KUZNECOV', 0);
INSERT INTO SYS$USER (ID, IBNAME, LOCKEDOUT) VALUES (105, 'SHEVCHUK', 0);
INSERT INTO SYS$USER (ID, IBNAME, LOCKEDOUT) VALUES (106, 'ELKIN', 1);

INSERT INTO SYS$USER_GROUPS SELECT 101, ID FROM SYS$GROUP WHERE GROUP_NAME IN ('Операторы', 'Кассиры');
INSERT INTO SYS$USER_GROUPS SELECT 102, ID FROM SYS$GROUP WHERE GROUP_NAME = 'Операторы';
INSERT INTO SYS$USER_GROUPS SELECT 103, ID FROM SYS$GROUP WHERE GROUP_NAME = 'Кассиры';
INSERT INTO SYS$USER_GROUPS SELECT 104, ID FROM SYS$GROUP WHERE GROUP_NAME = 'Техники';
INSERT INTO SYS$USER_GROUPS SELECT 105, ID FROM SYS$GROUP WHERE GROUP_NAME = 'Бухгалтерия';
INSERT INTO SYS$USER_GROUPS SELECT 106, ID FROM SYS$GROUP WHERE GROUP_NAME = 'Стажёры';

COMMIT;
