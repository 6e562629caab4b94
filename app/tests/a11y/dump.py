#!/usr/bin/python3
# Walks the accessibility tree of the running quarlodesk over AT-SPI: logs in through the login
# dialog, runs a query, and checks that every input field and every control without visible text
# has a Chinese name a screen reader can announce. Prints the tree it saw when a check fails.
import sys
import time

import pyatspi

WANTED = {
    "login": ["站点名称：", "数据库类型：", "数据库服务器：", "数据库：", "用 户：", "密 码："],
    "main": ["SQL语句编辑器", "执行结果信息", "查询结果网格", "状态栏：运行状态", "状态栏：当前连接",
             "状态栏：当前页", "状态栏：影响行数", "状态栏：每页行数", "状态栏：使用时间"],
}


def find_app(name, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    sys.exit(f"a11y: {name} never appeared on the accessibility bus")


def walk(node, depth=0, out=None):
    if out is None:
        out = []
    try:
        role = node.getRoleName()
        name = node.name
        states = node.getState()
        showing = states.contains(pyatspi.STATE_SHOWING)
    except Exception:
        return out
    out.append((depth, role, name, showing, node))
    for i in range(min(node.childCount, 24 if role == "table" else 400)):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, out)
    return out


def wait_for(app, predicate, what, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        for entry in walk(app):
            if predicate(entry):
                return entry
        time.sleep(0.2)
    print_tree(app)
    sys.exit(f"a11y: {what} not found")


def print_tree(app):
    for depth, role, name, showing, _ in walk(app):
        if showing:
            print("  " * depth + f"[{role}] {name}")


def check(app, names, where):
    seen = {e[2] for e in walk(app) if e[3]}
    missing = [n for n in names if n not in seen]
    if missing:
        print_tree(app)
        sys.exit(f"a11y: {where}: no accessible object named {missing}")


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            action.doAction(i)
            return
    action.doAction(0)


def main():
    app = find_app("quarlodesk")
    wait_for(app, lambda e: e[1] == "dialog" and e[2] == "Quarlo 登录", "the login dialog")
    check(app, WANTED["login"], "login dialog")
    login = wait_for(app, lambda e: e[1] == "push button" and e[2] == "登录" and e[3], "登录")
    press(login[4])
    editor = wait_for(app, lambda e: e[2] == "SQL语句编辑器" and e[3], "the editor")
    text = editor[4].queryEditableText()
    text.setTextContents("select name as 部门, city as 城市 from departments order by id")
    run = wait_for(app, lambda e: e[1] == "menu item" and e[2].startswith("执行SQL语句"), "执行SQL语句")
    press(run[4])
    wait_for(app, lambda e: e[2] == "查询结果网格" and e[3], "the result grid")
    wait_for(app, lambda e: e[1] == "table cell" and e[2] == "总经理办公室", "a cell of the result")
    check(app, WANTED["main"], "main window")
    print("a11y: every field and control has its name")


main()
