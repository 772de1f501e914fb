#!/usr/bin/python3
"""A rider who cannot see the screen, or has no pointer, catches a bus.

  journey.py atspi|keys --app BIN --container DIR --work DIR [--directory URL] [--lang zh|en]

Starts the app on a virtual X server of its own and goes through one journey:
太原 and back to 大同, a search for "1", 1路 in direction 0 opened live, the
waiting stop moved to 第15站 and the three nearest vehicles read, the reminder
armed for 2 stops, the stop made a favourite, and the favourite opened from
the favourites tab. In "atspi" mode everything is done through the
accessibility bus only, as a screen reader does; in "keys" mode only key
presses reach the app (through the X server), and the accessibility bus is
read to know where the focus is and to check what each screen shows. On
every screen visited, every showing object that can be used must have a
name, and no two such siblings may share one; the name changes and alerts
the bus carried are checked at the end. In "keys" mode screenshots show the
focus ring, and nothing else, changing as Tab moves. With --lang en the app
is expected to speak English (its environment chooses it); the bundled
city's names and live texts stay as served. Run it inside its own D-Bus
session (dbus-run-session). Exits 0 when the journey holds."""
import argparse
import os
import re
import subprocess
import sys
import time

import pyatspi

from desktop import Desktop, Failure, actions_of, pump, screen_problems, showing, showing_objects, wait_for

# What the app says, in each language it speaks; the names of 大同's stops,
# lines and plates, and its live texts ("还有2站"), are the service's.
WORDS = {
    "zh": dict(app="实时公交", city="切换城市，当前：", sep="，", hit="1路，新荣路口→南环路御河东路口",
               stop="第15站 操场城，{}", after="未过站", waiting="等车站", favourite_mark="，已收藏",
               nearest="最近第{}辆：", marker=r"晋B\d+，(在第\d+站|第\d+站与第\d+站之间)", bell="到站提醒",
               two="2站", armed="到站提醒：还有2站时提醒，点击取消", arriving="车辆即将到站：还有2站",
               star="收藏此站", starred="已收藏", added="收藏成功", tab="收藏",
               listed="1路 操场城，南环路御河东路口方向，", aged="秒前更新", field="输入线路或者站点", back="返回",
               route=lambda name: name.startswith("第") and "站 " in name),
    "en": dict(app="Live Bus", city="Change city, current: ", sep=", ", hit="1路, 新荣路口→南环路御河东路口",
               stop="Stop 15: 操场城, {}", after="after your stop", waiting="your stop", favourite_mark=", favourite",
               nearest="Nearest bus {}: ", marker=r"晋B\d+, (at stop \d+|between stops \d+ and \d+)",
               bell="Arrival reminder", two="2 stops", armed="Arrival reminder for 2 stops away, tap to cancel",
               arriving="Bus arriving: 2 stops away", star="Add to favourites", starred="In favourites",
               added="Added to favourites", tab="Favourites", listed="1路 操场城, towards 南环路御河东路口, ",
               aged="s ago", field="Line or stop", back="Back",
               route=lambda name: name.startswith("Stop ") and ": " in name),
}
W = WORDS["zh"]

RING = (255, 153, 0)  # ui::Window::focusRingColor
STATUS_BAR = 20       # the phone's status bar, whose clock may turn meanwhile


class Journey:
    def __init__(self, desktop, window, work):
        self.desktop, self.window, self.work = desktop, window, work
        self.problems = []
        self.names_changed = []
        self.alerts = []
        self.focused = None
        self.focus_moves = 0
        pyatspi.Registry.registerEventListener(self.on_event, "object:property-change:accessible-name",
                                               "object:state-changed:showing", "object:state-changed:focused")

    def on_event(self, event):
        try:
            source = event.source
            if event.type.startswith("object:property-change"):
                # The name the event carries: the object may have another by now.
                name = event.any_data if isinstance(event.any_data, str) and event.any_data else source.name
                self.names_changed.append(name)
            elif event.type.endswith("showing") and event.detail1:
                role = source.getRole()
                print("%.1f showing %s %s" % (time.monotonic(), source.getRoleName(), source.name), flush=True)
                if role == pyatspi.ROLE_ALERT:
                    self.alerts.append(source.name)
            elif event.type.endswith("focused") and event.detail1:
                self.focused = source
                self.focus_moves += 1
        except Exception:  # the object went while its event travelled
            pass

    # ---- What both riders share ----

    def find(self, test, what, seconds=20, anywhere=False):
        def look():
            objects = showing_objects(self.window) if not anywhere else self.everything()
            return next((o for o in objects if test(o)), None)
        return wait_for(look, seconds, what)

    def everything(self):
        found, stack = [], [self.window]
        while stack:
            node = stack.pop()
            for i in range(node.childCount):
                child = node.getChildAtIndex(i)
                if child is not None:
                    found.append(child)
                    stack.append(child)
        return found

    def named(self, name, seconds=20, anywhere=False):
        return self.find(lambda o: o.name == name, "something named %s" % name, seconds, anywhere)

    def dump(self, path):
        """The tree as it is, for the reader of a failure."""
        with open(path, "w") as out:
            def visit(node, depth):
                for i in range(node.childCount):
                    child = node.getChildAtIndex(i)
                    if child is None:
                        continue
                    out.write("%s%s %r%s\n" % ("  " * depth, child.getRoleName(), child.name,
                                               "" if showing(child) else " (not showing)"))
                    visit(child, depth + 1)
            visit(self.window, 0)

    def check(self, screen):
        problems = screen_problems(self.window)
        self.problems += ["%s: %s" % (screen, p) for p in problems]
        print("screen %s: %d showing objects, %d problems" % (screen, len(showing_objects(self.window)),
                                                               len(problems)), flush=True)

    def run(self):
        self.named(W["city"] + "大同")
        self.check("search")
        self.before_journey()
        for city, back in (("太原", False), ("大同", True)):
            self.use(lambda o: o.name.startswith(W["city"]), "the city button")
            self.named(city)
            if not back:
                self.check("cities")
            self.use(lambda o, c=city: o.name == c and o.getRole() == pyatspi.ROLE_LIST_ITEM, city)
            self.named(W["city"] + city)
        self.type_search("1")
        self.named(W["hit"])
        self.check("search hits")
        self.use(lambda o: o.name == W["hit"], "the hit 1路 in direction 0")
        self.find(lambda o: o.name.startswith(W["nearest"].format(1)), "the nearest vehicles")
        self.check("live line")
        self.choose_stop(W["stop"].format(W["after"]))
        # Under the waiting stop, wherever the route is scrolled.
        nearest = [self.named(W["nearest"].format(k) + said, anywhere=True).name
                   for k, said in ((1, "还有2站"), (2, "还有3站"), (3, "还有5站"))]
        print("read: " + W["sep"].join(nearest), flush=True)
        markers = [o.name for o in showing_objects(self.window) if re.fullmatch(W["marker"], o.name)]
        if not markers:
            self.problems.append("live line: no vehicle marker named by plate and place")
        self.check("live line at 第15站")
        self.use(lambda o: o.name == W["bell"], "the bell")
        self.find(lambda o: o.getRole() == pyatspi.ROLE_ALERT and o.name == W["bell"], "the reminder's sheet")
        self.check("reminder sheet")
        self.use(lambda o: o.name == W["two"], W["two"])
        # Heard as a name change: the next refresh may find a bus within 2
        # stops at once, and the bell is plain again by the time we look.
        armed = W["armed"]
        wait_for(lambda: armed in self.names_changed, 20, "the bell named " + armed)
        # The next timed refresh (10 s) finds a bus 2 stops away and says so.
        wait_for(lambda: W["arriving"] in self.alerts, 25,
                 "the arrival alert (alerts heard: %s)" % self.alerts)
        self.use(lambda o: o.name == W["star"], "the star")
        wait_for(lambda: W["added"] in self.alerts, 10, "the notice " + W["added"])
        self.named(W["starred"], anywhere=True)
        self.check("favourite marked")
        self.go_back()
        self.use(lambda o: o.name == W["tab"] and o.getRole() == pyatspi.ROLE_PAGE_TAB, "the favourites tab")
        favourite = self.find(lambda o: o.name.startswith(W["listed"]), "the favourite")
        print("favourite: " + favourite.name, flush=True)
        self.check("favourites")
        self.use(lambda o: o.name == favourite.name, "the favourite")
        self.named(W["stop"].format(W["waiting"]) + W["favourite_mark"])
        self.check("favourite opened")
        self.after_journey()

    def after_journey(self):
        if not any(n.startswith(W["nearest"].format(2) + "还有3站") for n in self.names_changed):
            self.problems.append("no name change was sent when the nearest vehicles changed")
        if not any(n.endswith(W["aged"]) for n in self.names_changed):
            self.problems.append("no name change was sent as the data aged")
        print("alerts heard: " + ", ".join(self.alerts), flush=True)


class ScreenReader(Journey):
    """Uses the app through the accessibility bus only."""

    def before_journey(self):
        pass

    def use(self, test, what):
        # A screen reader reaches what is scrolled away as well.
        target = self.find(lambda o: test(o) and "Press" in actions_of(o), what, anywhere=True)
        action = target.queryAction()
        action.doAction(actions_of(target).index("Press"))

    def type_search(self, text):
        field = self.find(lambda o: o.name == W["field"] and o.getRole() == pyatspi.ROLE_TEXT, "the search field")
        field.queryEditableText().setTextContents(text)

    def choose_stop(self, name):
        # Below the fold: a screen reader reaches it all the same.
        row = self.find(lambda o: o.name == name, name, anywhere=True)
        row.queryAction().doAction(actions_of(row).index("Press"))
        self.find(lambda o: o.name == name.replace(W["after"], W["waiting"]), "the new waiting stop", anywhere=True)

    def go_back(self):
        self.use(lambda o: o.name == W["back"], "the back button")


class KeyboardRider(Journey):
    """Presses keys only, on the X server; reads the bus to know the focus."""

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + list(args), check=True, timeout=20)

    def key(self, name):
        self.xdotool("key", "--clearmodifiers", name)

    def focus_name(self):
        try:
            return self.focused.name if self.focused is not None else None
        except Exception:
            return None

    def focus_is(self, test):
        try:
            return self.focused is not None and test(self.focused)
        except Exception:  # the focused object went with its screen
            return False

    def move_until(self, key, test, what, presses=80):
        # A new screen may have put the focus there already; Tab comes round
        # to it anyway if its event is still on the way.
        visited = []
        for _ in range(presses):
            if self.focus_is(test):
                return self.focused
            moves = self.focus_moves
            self.key(key)
            try:
                wait_for(lambda: self.focus_moves != moves, 3, "the focus to move")
            except Failure:
                pass  # at the end of a list the focus stays
            visited.append(self.focus_name())
        raise Failure("%s never reached %s; the focus went: %s" % (key, what, " | ".join(map(str, visited))))

    def use(self, test, what):
        target = self.move_until("Tab", test, what)
        print("Return on %s" % target.name, flush=True)
        self.key("Return")

    def type_search(self, text):
        self.move_until("Tab", lambda o: o.name == W["field"], "the search field")
        self.xdotool("type", "--delay", "50", text)

    def choose_stop(self, name):
        self.move_until("Tab", lambda o: W["route"](o.name), "the route")
        self.move_until("Down", lambda o: o.name == name, name)
        self.key("Return")
        waiting = name.replace(W["after"], W["waiting"])
        self.find(lambda o: o.name == waiting, "the new waiting stop", anywhere=True)
        # The row was rebuilt; the focus and its ring stay on it.
        wait_for(lambda: self.focus_is(lambda o: o.name == waiting), 5, "the focus on the rebuilt row")
        e = self.focused.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.expect_ring(self.settled_shot(None, "waiting-stop"), (e.x, e.y, e.width, e.height), True,
                         "on the rebuilt row of the waiting stop")

    def go_back(self):
        self.key("Escape")
        self.named(W["city"] + "大同")

    def before_journey(self):
        wid = subprocess.run(["xdotool", "search", "--sync", "--name", W["app"]], check=True, timeout=20,
                             capture_output=True, text=True).stdout.split()[0]
        self.xdotool("windowfocus", "--sync", wid)
        box = self.window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.phone = (box.x, box.y, box.width, box.height)
        shots = [self.settled_shot(None, "no-focus")]
        rects = []
        for step in range(2):
            moves = self.focus_moves
            self.key("Tab")
            wait_for(lambda: self.focus_moves != moves, 5, "the focus after Tab")
            e = self.focused.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            rects.append((e.x, e.y, e.width, e.height))
            shots.append(self.settled_shot(shots[-1], "tab-%d" % (step + 1)))
        self.expect_ring(shots[0], rects[0], False, "before any key")
        self.expect_ring(shots[1], rects[0], True, "after the first Tab")
        self.expect_ring(shots[2], rects[1], True, "after the second Tab")
        self.expect_ring(shots[2], rects[0], False, "on the first view after the second Tab")
        self.expect_changes_only_on_rings(shots[0], shots[1], rects[:1])
        self.expect_changes_only_on_rings(shots[1], shots[2], rects)

    def settled_shot(self, previous, name):
        """The screen once the app has painted: it differs from `previous`
        (when given) and stays as it is between two looks."""
        def settled():
            first = self.desktop.screenshot().crop(self.phone)
            pump(0.2)
            second = self.desktop.screenshot().crop(self.phone)
            if first.rgb != second.rgb or (previous is not None and first.rgb == previous.rgb):
                return None
            return first
        shot = wait_for(settled, 10, "the screen to show %s" % name)
        shot.save_png(os.path.join(self.work, "keys-%s.png" % name))
        return shot

    def band(self, rect, depth):
        """The pixels of the window within `depth` of the rectangle's inner edge."""
        x, y, w, h = rect[0] - self.phone[0], rect[1] - self.phone[1], rect[2], rect[3]
        return {(px, py) for px in range(x, x + w) for py in range(y, y + h)
                if min(px - x, x + w - 1 - px, py - y, y + h - 1 - py) < depth}

    def expect_ring(self, shot, rect, present, when):
        # The ring's middle line, away from its rounded corners.
        x, y, w, h = rect[0] - self.phone[0], rect[1] - self.phone[1], rect[2], rect[3]
        line = [(px, y + 1) for px in range(x + 6, x + w - 6)] + [(px, y + h - 2) for px in range(x + 6, x + w - 6)]
        line += [(x + 1, py) for py in range(y + 6, y + h - 6)] + [(x + w - 2, py) for py in range(y + 6, y + h - 6)]
        ring = sum(1 for p in line if all(abs(a - b) < 40 for a, b in zip(shot.pixel(*p), RING)))
        if (ring >= 0.9 * len(line)) != present:
            self.problems.append("focus ring %s: %d of %d pixels of the ring's colour around %s" %
                                 (when, ring, len(line), rect))

    def expect_changes_only_on_rings(self, before, after, rects):
        allowed = set().union(*(self.band(r, 5) for r in rects))
        stray = [p for p in before.differing_pixels(after) if p[1] >= STATUS_BAR and p not in allowed]
        if stray:
            self.problems.append("%d pixels changed away from the focus rings, first at %s" % (len(stray), stray[0]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["atspi", "keys"])
    parser.add_argument("--app", required=True)
    parser.add_argument("--container", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--directory", help="the directory service's base address, handed to the app")
    parser.add_argument("--lang", choices=sorted(WORDS), default="zh", help="the language the app speaks")
    args = parser.parse_args()
    global W
    W = WORDS[args.lang]
    more = ["--directory", args.directory] if args.directory else []
    desktop = Desktop(args.work, args.app, args.container, more)
    rider = None
    try:
        window = desktop.window(W["app"])
        rider = (ScreenReader if args.mode == "atspi" else KeyboardRider)(desktop, window, args.work)
        rider.run()
    except Failure as failure:
        print("FAILED: %s" % failure, flush=True)
        try:
            rider.dump(os.path.join(args.work, "tree-on-failure.txt"))
        except Exception:
            pass
        return 1
    finally:
        desktop.close()
    for problem in rider.problems:
        print("PROBLEM: " + problem, flush=True)
    return 1 if rider.problems else 0


if __name__ == "__main__":
    sys.exit(main())
