#include "admin/AdminSql.h"

using namespace Qt::StringLiterals;

namespace AdminSql {

const QStringList& CombinedUser() {
    // The body's line comments end at the line breaks: the lines must stay apart.
    static const QStringList text = {
        u"EXECUTE BLOCK ("_s,
        u"    OPERATION D_INTEGER = :OPERATION,"_s,
        u"    WORKER_ID D_INTEGER = :WORKER_ID,"_s,
        u"    SURNAME D_VARCHAR30 = :SURNAME,"_s,
        u"    FIRSTNAME D_VARCHAR30 = :FIRSTNAME,"_s,
        u"    MIDLENAME D_VARCHAR30 = :MIDLENAME,"_s,
        u"    PHONE_NO D_VARCHAR30 = :PHONE_NO,"_s,
        u"    NOTICE D_NOTICE  = :NOTICE,"_s,
        u"    WORKING D_SMALLINT = :WORKING,"_s,
        u"    IBNAME D_VARCHAR30 = :IBNAME,"_s,
        u"    LOCKEDOUT D_INTEGER = :LOCKEDOUT)"_s,
        u"AS"_s,
        u"declare variable id d_integer;"_s,
        u"begin"_s,
        u"  if (lockedout is null) then lockedout = 1;"_s,
        u"  if (operation = 1) then --  добавим"_s,
        u"  begin"_s,
        u"    worker_id = GEN_ID(gen_operations_uid,1);"_s,
        u"    insert into worker (worker_id, surname, firstname, midlename, phone_no, notice, working, ibname)"_s,
        u"    values ( :worker_id, :surname, :firstname, :midlename, :phone_no, :notice, :working, :ibname);"_s,
        u"    if (ibname is not null) then"_s,
        u"      insert into sys$user (id, ibname, lockedout) values (:worker_id, :ibname, :lockedout);"_s,
        u"  end"_s,
        u"  if (operation = 2) then --  обновим"_s,
        u"  begin"_s,
        u"    update worker set"_s,
        u"      surname = :surname,"_s,
        u"      firstname = :firstname,"_s,
        u"      midlename = :midlename,"_s,
        u"      phone_no = :phone_no,"_s,
        u"      notice = :notice,"_s,
        u"      working = :working,"_s,
        u"      ibname = :ibname"_s,
        u"    where (worker_id = :worker_id);"_s,
        u"    if (ibname is not null) then"_s,
        u"    begin"_s,
        u"      delete from sys$user where id = :worker_id;"_s,
        u"      insert into sys$user (id, ibname, lockedout) values (:worker_id, :ibname, :lockedout);"_s,
        u"    end"_s,
        u"  end"_s,
        u"  if (operation = 3) then --  удалим"_s,
        u"  begin"_s,
        u"    delete from worker where worker_id = :worker_id;"_s,
        u"    delete from sys$user where id = :worker_id;"_s,
        u"  end"_s,
        u"end"_s,
    };
    return text;
}

const QStringList& UsersSelect() {
    static const QStringList text = {
        u"select u.id, w.worker_id, u.ibname, u.lockedout, w.*, 0 as OPERATION"_s,
        u"from sys$USER u, worker w"_s,
        u"where w.ibname = u.ibname"_s,
        u"order by u.ibname"_s,
    };
    return text;
}

const QStringList& UsersRefresh() {
    static const QStringList text = {
        u"select u.id, w.worker_id, u.ibname, u.lockedout, '' all_areas, w.surname, w.firstname,w.midlename,w.notice"_s,
        u"from sys$USER u, worker w"_s,
        u"where w.ibname = u.ibname"_s,
        u"  and u.ID = :old_ID"_s + QString(26, u' '),
        QString(),
        u"    "_s,
    };
    return text;
}

const QStringList& GroupsSelect() {
    static const QStringList text = {
        u"select id, group_name, lockedout, notice"_s,
        u"from sys$group"_s,
        u"order by group_name"_s,
    };
    return text;
}

const QStringList& GroupsInsert() {
    static const QStringList text = {
        u"INSERT INTO SYS$GROUP("_s, u"    ID,"_s,    u"    GROUP_NAME,"_s,  u"    LOCKEDOUT,"_s,
        u"    NOTICE"_s,           u")"_s,         u"VALUES("_s,            u"    :ID,"_s,
        u"    :GROUP_NAME,"_s,     u"    :LOCKEDOUT,"_s, u"    :NOTICE"_s, u")"_s,
    };
    return text;
}

const QStringList& GroupsUpdate() {
    static const QStringList text = {
        u"UPDATE SYS$GROUP"_s,
        u"SET "_s,
        u"    ID = :ID,"_s,
        u"    GROUP_NAME = :GROUP_NAME,"_s,
        u"    LOCKEDOUT = :LOCKEDOUT,"_s,
        u"    NOTICE = :NOTICE"_s,
        u"WHERE"_s,
        u"    ID = :OLD_ID"_s,
        u"    "_s,
    };
    return text;
}

const QStringList& GroupsDelete() {
    static const QStringList text = {
        u"DELETE FROM"_s,
        u"    SYS$GROUP"_s,
        u"WHERE"_s,
        u"        ID = :OLD_ID"_s,
        u"    "_s,
    };
    return text;
}

const QStringList& GroupsRefresh() {
    static const QStringList text = {
        u"select id, group_name, lockedout, notice"_s,
        u"from sys$group"_s,
        QString(),
        u" WHERE "_s,
        u"        SYS$GROUP.ID = :OLD_ID"_s,
        u"    "_s,
    };
    return text;
}

const QStringList& GroupRightsSelect() {
    static const QStringList text = {
        u"select r.id, r.rights, r.category, r.notice"_s,
        u"from sys$rights r, sys$group_rights g"_s,
        u"where g.group_id = :ID"_s,
        u"and r.id = g.right_id"_s,
        u"order by  category, rights"_s,
    };
    return text;
}

const QStringList& MissingRightsSelect() {
    static const QStringList text = {
        u"select id, rights, category, notice"_s,
        u"from sys$rights"_s,
        u"where id not in (select right_id from sys$group_rights where group_id = :ID)"_s,
        u"order by  category, rights"_s,
    };
    return text;
}

QString GroupLock() { return u"select group_name, lockedout, notice from sys$group where id = :ID with lock"_s; }

QString WorkerLock() {
    return u"select surname, firstname, midlename, phone_no, notice, working, ibname from worker "
           u"where worker_id = :WORKER_ID with lock"_s;
}

QString LoginLock() { return u"select ibname, lockedout from sys$user where ibname = :IBNAME with lock"_s; }

QString GiveRight() { return u"insert into sys$group_rights (group_id, right_id) values (:group_id, :right_id);"_s; }

QString TakeRight() { return u"delete from sys$group_rights where group_id = :group_id and  right_id = :right_id;"_s; }

const QStringList& UserGroupsSelect() {
    static const QStringList text = {
        u"select g.id, g.group_name, g.lockedout, g.notice"_s,
        u"from sys$group g, sys$user_groups u"_s,
        u"where u.user_id = :ID"_s,
        u"and g.id = u.group_id"_s,
        u"order by  g.group_name"_s,
    };
    return text;
}

const QStringList& MissingGroupsSelect() {
    static const QStringList text = {
        u"select g.id, g.group_name, g.lockedout, g.notice"_s,
        u"from sys$group g"_s,
        u"where g.id not in (select group_id from sys$user_groups where user_id = :ID)"_s,
        u"order by  g.group_name"_s,
    };
    return text;
}

QString AddMembership() { return u"insert into sys$user_groups (group_id, user_id) values (:group_id, :user_id);"_s; }

QString RemoveMembership() {
    return u"delete from sys$user_groups where group_id = :group_id and  user_id = :user_id;"_s;
}

QString TablesQuery() {
    return u"SELECT V.RDB$RELATION_NAME AS NAME FROM RDB$RELATIONS V\r\n"
           u"WHERE (V.RDB$SYSTEM_FLAG IS NULL OR V.RDB$SYSTEM_FLAG <> 1)\r\n"
           u"AND (V.RDB$VIEW_BLR IS NULL) AND (V.RDB$FLAGS = 1)"_s;
}

QString ViewsQuery() {
    return u"SELECT V.RDB$RELATION_NAME AS NAME FROM RDB$RELATIONS V\r\n"
           u"WHERE (V.RDB$SYSTEM_FLAG IS NULL OR V.RDB$SYSTEM_FLAG <> 1)\r\n"
           u"AND (NOT V.RDB$VIEW_BLR IS NULL) AND (V.RDB$FLAGS = 1)"_s;
}

QString ProceduresQuery() {
    return u"SELECT P.RDB$PROCEDURE_NAME AS NAME FROM RDB$PROCEDURES P\r\n"
           u"WHERE P.RDB$SYSTEM_FLAG IS NULL OR P.RDB$SYSTEM_FLAG <> 1"_s;
}

QString GrantGenerators(const QString& login) { return u" GRANT SELECT, UPDATE ON RDB$GENERATORS TO "_s + login; }

QString GrantAll(const QString& objectName, const QString& login) {
    return u" GRANT ALL ON  "_s + objectName + u" TO "_s + login;
}

QString GrantExecute(const QString& procedureName, const QString& login) {
    return u" GRANT EXECUTE ON PROCEDURE "_s + procedureName + u" TO "_s + login;
}

}  // namespace AdminSql
