"""The real setup window under Wine with an X display: placement and size of
every state at 96 and 144 dpi, the drawn looks (checked by pixel colours, not
golden images), the user's clicks and keys, and the message pump.

window_driver.exe opens the window in the prefix, applies each state and
prints one fact per line; with --handshake it pauses after each state so the
screen can be photographed. Screenshots stay under build/test/screenshots."""
import os
import subprocess
import time

from . import config
from .journey import WineJourney
from .wine import Prefix

STATES = ("preparing", "downloading-moving", "downloading-0", "downloading-42", "checking", "failed", "cancelling",
          "long-note", "failed-focus", "failed-hover", "failed-away")
# Text lines per block with the prefix's "Malgun Gothic" (NanumGothic).
BLOCK_LINES = {
    "preparing": dict(heading=1),
    "downloading-moving": dict(heading=1, detail=1, bar=True, note=1, footer=True),
    "downloading-0": dict(heading=1, detail=1, bar=True, note=1, footer=True),
    "downloading-42": dict(heading=1, detail=1, bar=True, note=1, footer=True),
    "checking": dict(heading=1, detail=1, bar=True, note=1, footer=True),
    "failed": dict(heading=1, detail=2, footer=True),
    "cancelling": dict(heading=1, detail=1, bar=True),
}
BACKGROUND = (37, 37, 38)
ACCENT = (0, 120, 212)
PRIMARY_HOVERED = (0, 112, 200)
TRACK = (30, 30, 30)
TRACK_OUTLINE = (110, 110, 114)
ALERT = (244, 135, 113)
ACTIVE_DOT = (79, 163, 240)
FOCUS_RING = (255, 255, 255)
SEPARATOR = (55, 55, 58)
WHITE = (255, 255, 255)
MINIMIZE_ID, CANCEL_CLOSE_ID, RETRY_ID = 10, 11, 12
# What msaa_client does on a held state after reading its tree.
READER_ACTIONS = {"failed": ["press", "다시 시도"], "failed-focus": ["keys", "tts"], "failed-away": ["away"]}
POLITE, ASSERTIVE, ROLE_SYSTEM_DIALOG = 1, 2, 18
PREPARING, DOWNLOADING, CHECKING = "준비하는 중입니다", "설치 파일을 다운로드하는 중입니다", "설치 파일을 확인하는 중입니다"
FAILED, CANCELLING = "설치 파일을 받거나 확인하지 못했습니다", "다운로드를 취소하는 중입니다"
DETAIL_64 = "이 컴퓨터에 맞는 64비트 프로그램을 준비합니다."
FAILED_DETAIL = "인터넷 연결을 확인한 뒤 다시 시도해 주세요. 계속 안 되면 담당자에게 문의해 주세요."
NOTE = "다운로드가 끝나면 설치를 시작합니다."


def reader_lines(text, kind):
    """msaa_client's lines of one kind, split into words."""
    return [line.split(" ")[1:] for line in text.replace("\r", "").splitlines() if line.startswith(kind + " ")]


def shown_blocks(text):
    """(class, name or bar value) of every child a screen reader finds visible, in its order."""
    shown = []
    for words in reader_lines(text, "child"):
        if words[3] == "1":
            bar = "moving" if words[11] == "1" else f"{words[9]}%"
            shown.append((words[1], bar if words[1] == "msctls_progress32" else " ".join(words[15:])))
    return shown


def annotations(text):
    """The window's annotated role and each child's annotated live setting (-1: none), by child index."""
    role = int(reader_lines(text, "window")[0][1])
    return role, {int(words[0]): int(words[13]) for words in reader_lines(text, "child")}


def scale(value, dpi):
    """MulDiv(value, dpi, 96) for non-negative values."""
    return (value * dpi + 48) // 96


class Image:
    """RGB pixels of a PNG, read through ImageMagick."""

    def __init__(self, path):
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, check=True, text=True)
        self.width, self.height = map(int, size.stdout.split())
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        self.pixels = raw

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def count(self, rect, colour, tolerance=10):
        left, top, right, bottom = rect
        hits = 0
        for y in range(top, bottom):
            for x in range(left, right):
                if all(abs(a - b) <= tolerance for a, b in zip(self.at(x, y), colour)):
                    hits += 1
        return hits

    def region(self, rect):
        left, top, right, bottom = rect
        return [self.at(x, y) for y in range(top, bottom) for x in range(left, right)]


def parse(stdout):
    facts = {"state": {}, "button": {}, "pump": {}, "after": {}, "lines": stdout.splitlines()}
    for line in facts["lines"]:
        words = line.split(" ")
        kind = words[0]
        if kind == "state":
            facts["state"][words[1]] = dict(window=tuple(map(int, words[2:6])), client=(int(words[7]), int(words[8])))
        elif kind == "button" and len(words) >= 8:
            caption = " ".join(words[8:])
            facts["button"][(words[1], int(words[2]))] = dict(visible=words[3] == "1", rect=tuple(map(int, words[4:8])),
                                                              caption=caption)
        elif kind == "pump":
            facts["pump"][words[1]] = (int(words[2]), int(words[3]))
        elif kind == "after":
            facts["after"][words[1]] = dict(zip(words[2::2], map(int, words[3::2])))
        elif kind == "lineheight":
            facts.setdefault("lineheight", {})[words[1]] = int(words[2])
        elif kind in ("dpi", "open"):
            facts[kind] = int(words[1])
        elif kind == "workarea":
            facts["workarea"] = tuple(map(int, words[2:6]))
        elif kind in ("title", "style", "classstyle", "reopen", "closed", "dispatched", "elapsed", "bench", "held"):
            facts.setdefault(kind, []).append(words[1:])
    return facts


class HeldStates:
    """Runs window_driver's states, photographing each held state and reading
    it as a screen reader does."""
    shots = None

    @classmethod
    def shot_path(cls, name):
        return os.path.join(cls.shots, f"{name}.png")

    @classmethod
    def run_driver_with_screenshots(cls, env=None):
        """Runs the states with a screen reader's view of each: msaa_client
        watches events throughout and reads the tree at every held state."""
        client = config.wine_helper("msaa_client.exe")
        watcher = cls.prefix.start(client, ["watch", "90000"])
        assert watcher.stdout.readline().strip() == b"watching"
        driver = subprocess.Popen(["wine", config.wine_helper("window_driver.exe"), "states", "--handshake"],
                                  env=env or cls.prefix.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE)
        lines = []
        cls.readers = {}
        try:
            for raw in iter(driver.stdout.readline, b""):
                line = raw.decode("utf-8").rstrip("\r\n")
                lines.append(line)
                if line.startswith("shot "):
                    name, left, top, right, bottom = line.split(" ")[1:]
                    left, top, right, bottom = map(int, (left, top, right, bottom))
                    subprocess.run(["import", "-display", cls.display.name, "-window", "root", "-crop",
                                    f"{right - left}x{bottom - top}+{left}+{top}", "+repage", cls.shot_path(name)],
                                   check=True, timeout=30)
                    cls.readers[name] = cls.prefix.run(client, ["tree"], timeout=60).stdout.decode("utf-8")
                    if name in READER_ACTIONS:
                        cls.readers[name] += cls.prefix.run(client, READER_ACTIONS[name], timeout=60).stdout.decode()
                    driver.stdin.write(b"\n")
                    driver.stdin.flush()
            driver.wait(120)
            cls.readers["events"] = watcher.communicate(timeout=120)[0].decode("utf-8")
        finally:
            for process in (driver, watcher):
                if process.poll() is None:
                    process.kill()
                    process.wait()
        cls.readers["held"] = "".join(line + "\n" for line in lines if line.startswith("held "))
        with open(os.path.join(cls.shots, "msaa.txt"), "w", encoding="utf-8") as f:
            f.write("".join(f"== {name}\n{text}" for name, text in cls.readers.items()).replace("\r", ""))
        return "\n".join(lines)


class SetupWindowStates96(HeldStates, WineJourney):
    """Every state at one dpi; the driver runs once per class and each test
    reads its facts and screenshots."""
    dpi = 96

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        if cls.dpi != 96:
            # Wine 8 reads the system dpi from the user's desktop settings when its server starts.
            cls.prefix.wine("reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                            "/d", str(cls.dpi), "/f")
            subprocess.run(["wineserver", "-k"], env=cls.prefix.env)
            subprocess.run(["wineserver", "-w"], env=cls.prefix.env)
        cls.shots = os.path.join(config.TEST_BUILD, "screenshots", f"{cls.dpi}dpi")
        os.makedirs(cls.shots, exist_ok=True)
        cls.facts = parse(cls.run_driver_with_screenshots())
        cls.images = {name: Image(cls.shot_path(name)) for name in STATES if os.path.exists(cls.shot_path(name))}

    def s(self, value):
        return scale(value, self.dpi)

    def expected_height(self, heading=0, detail=0, bar=False, note=0, footer=False):
        line = self.facts["lineheight"]
        y = self.s(42) + heading * line["heading"]
        if detail:
            y += self.s(6) + detail * line["detail"]
        if bar:
            y += self.s(14) + self.s(6)
        if note:
            y += self.s(14) + note * line["note"] + self.s(18)
        if footer:
            return y + self.s(16) + self.s(34) + self.s(14) + self.s(12) + 1
        return y + self.s(22)

    def image(self, name):
        self.assertIn(name, self.images, f"no screenshot of {name}")
        return self.images[name]

    def bar_rect(self, blocks=BLOCK_LINES["downloading-42"]):
        line = self.facts["lineheight"]
        top = self.s(42) + blocks["heading"] * line["heading"] + self.s(6) + blocks["detail"] * line["detail"] + self.s(14)
        return self.s(24), top, self.s(356), top + self.s(6)

    # -- placement and frame -------------------------------------------------

    def test_the_window_reads_the_screen_dpi_and_opens_once(self):
        self.assertEqual(self.facts["dpi"], self.dpi)
        self.assertEqual(self.facts["open"], 1)
        self.assertEqual(self.facts["reopen"], [["1", "windows", "1"]])

    def test_frame_is_a_borderless_popup_with_the_title_and_a_drop_shadow(self):
        self.assertEqual(self.facts["title"], [["Norvane", "원격", "설치"]])
        style = int(self.facts["style"][0][0], 16)
        WS_POPUP, WS_CAPTION, WS_THICKFRAME = 0x80000000, 0x00C00000, 0x00040000
        WS_SYSMENU, WS_MINIMIZEBOX, WS_CLIPCHILDREN = 0x00080000, 0x00020000, 0x02000000
        self.assertEqual(style & (WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN),
                         WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN)
        self.assertEqual(style & (WS_CAPTION | WS_THICKFRAME), 0)
        self.assertTrue(int(self.facts["style"][0][2], 16) & 0x00040000, "WS_EX_APPWINDOW")
        self.assertTrue(int(self.facts["classstyle"][0][0], 16) & 0x00020000, "CS_DROPSHADOW")

    def test_the_first_layout_centres_the_window_and_later_ones_keep_its_top_left(self):
        work_left, work_top, work_right, work_bottom = self.facts["workarea"]
        left, top, right, bottom = self.facts["state"]["preparing"]["window"]
        self.assertEqual(left, (work_right - work_left - (right - left)) // 2 + work_left)
        self.assertEqual(top, (work_bottom - work_top - (bottom - top)) // 2 + work_top)
        for name in STATES:
            self.assertEqual(self.facts["state"][name]["window"][:2], (left, top), name)
        self.assertEqual(self.facts["state"]["reopened"]["window"], self.facts["state"]["preparing"]["window"])
        self.assertEqual(self.facts["closed"], [["windows", "0"]])

    def test_width_is_fixed_and_height_follows_each_state(self):
        for name, blocks in BLOCK_LINES.items():
            with self.subTest(name):
                left, top, right, bottom = self.facts["state"][name]["window"]
                self.assertEqual(right - left, self.s(380))
                self.assertEqual(bottom - top, self.expected_height(**blocks))
                self.assertEqual(self.facts["state"][name]["client"], (right - left, bottom - top))

    def test_a_wrapped_note_grows_the_note_box_and_the_window(self):
        single = self.facts["state"]["downloading-42"]["window"]
        wrapped = self.facts["state"]["long-note"]["window"]
        growth = (wrapped[3] - wrapped[1]) - (single[3] - single[1])
        note_line = self.facts["lineheight"]["note"]
        self.assertGreater(growth, 0)
        self.assertEqual(growth % note_line, 0, "the box grows by whole note lines")
        cancel_top = self.facts["button"][("long-note", CANCEL_CLOSE_ID)]["rect"][1]
        self.assertEqual(cancel_top - self.facts["button"][("downloading-42", CANCEL_CLOSE_ID)]["rect"][1], growth)

    def test_footer_buttons_follow_the_button_set(self):
        width = self.s(380)
        expectations = {
            "preparing": ({}, ()),
            "cancelling": ({}, ()),
            "downloading-42": ({CANCEL_CLOSE_ID: ("취소", width - self.s(16) - self.s(96))}, (RETRY_ID,)),
            "failed": ({CANCEL_CLOSE_ID: ("닫기", width - self.s(16) - 2 * self.s(96) - self.s(8)),
                        RETRY_ID: ("다시 시도", width - self.s(16) - self.s(96))}, ()),
        }
        for name, (shown, hidden) in expectations.items():
            height = self.facts["state"][name]["client"][1]
            for button_id, (caption, left) in shown.items():
                with self.subTest(name, button=button_id):
                    button = self.facts["button"][(name, button_id)]
                    self.assertTrue(button["visible"])
                    self.assertEqual(button["caption"], caption)
                    self.assertEqual(button["rect"], (left, height - self.s(14) - self.s(34), left + self.s(96),
                                                      height - self.s(14)))
            for button_id in set((CANCEL_CLOSE_ID, RETRY_ID)) - set(shown):
                self.assertFalse(self.facts["button"][(name, button_id)]["visible"], (name, button_id))
            minimize = self.facts["button"][(name, MINIMIZE_ID)]
            self.assertTrue(minimize["visible"])
            self.assertEqual(minimize["rect"], (width - self.s(40) - 1, 1, width - 1, self.s(36)))

    # -- looks, from the screenshots -------------------------------------------

    def test_every_state_was_photographed(self):
        for name in STATES:
            self.assertTrue(os.path.getsize(self.shot_path(name)) > 0, name)

    def test_the_window_is_dark_with_a_border_and_a_blue_badge_with_an_arrow(self):
        for name in ("preparing", "downloading-42", "failed", "cancelling"):
            with self.subTest(name):
                image = self.image(name)
                self.assertEqual(image.at(self.s(200), self.s(39)), BACKGROUND)
                # The hairline border lies on the left edge; Wine's GDI+ puts the half-pixel-offset line
                # one pixel further in than Windows does, so either of the first two columns may hold it.
                top, bottom = self.s(40), image.height - self.s(10)
                self.assertGreaterEqual(image.count((0, top, 2, bottom), (60, 60, 63), 6), bottom - top)
                badge = (self.s(12), self.s(10), self.s(28), self.s(26))
                area = (badge[2] - badge[0]) * (badge[3] - badge[1])
                self.assertGreater(image.count(badge, ACCENT, 20), area // 3)
                self.assertGreater(image.count(badge, WHITE, 40), area // 20, "the pointer arrow")

    def test_title_and_heading_text_are_drawn(self):
        for name in ("preparing", "downloading-42", "cancelling"):
            image = self.image(name)
            title = (self.s(35), 0, self.s(336), self.s(36))
            heading = (self.s(24), self.s(42), self.s(356), self.s(42) + self.facts["lineheight"]["heading"])
            self.assertGreater(image.count(title, (232, 232, 232), 40), 20, name)
            self.assertGreater(image.count(heading, (232, 232, 232), 40), 40, name)
            self.assertEqual(image.count(heading, ALERT, 30), 0, name)

    def test_the_failure_heading_is_drawn_in_the_alert_colour(self):
        heading = (self.s(24), self.s(42), self.s(356), self.s(42) + self.facts["lineheight"]["heading"])
        self.assertGreater(self.image("failed").count(heading, ALERT, 30), 40)

    def test_the_bar_fills_with_the_percentage(self):
        left, top, right, bottom = self.bar_rect()
        middle = (top + bottom) // 2
        width = right - left
        at_20, at_80 = left + width * 20 // 100, left + width * 80 // 100
        self.assertEqual(self.image("downloading-0").at(at_20, middle), TRACK)
        # The empty track is outlined so that it can be seen against the window.
        self.assertGreater(self.image("downloading-0").count((left, top, right, bottom), TRACK_OUTLINE, 12), width)
        self.assertEqual(self.image("downloading-42").at(at_20, middle), ACCENT)
        self.assertEqual(self.image("downloading-42").at(at_80, middle), TRACK)
        self.assertEqual(self.image("checking").at(at_80, middle), ACCENT)
        # Rounded ends: the corner pixel of the track is not fully covered.
        self.assertNotEqual(self.image("checking").at(left, top), ACCENT)

    def test_the_note_box_carries_a_blue_dot_while_downloading(self):
        blocks = BLOCK_LINES["downloading-42"]
        box_top = self.bar_rect(blocks)[3] + self.s(14)
        text_top = box_top + self.s(9)
        dot = (self.s(24) + self.s(11), text_top + self.s(6), self.s(24) + self.s(17), text_top + self.s(12))
        self.assertGreater(self.image("downloading-42").count(dot, ACTIVE_DOT, 30), 4)
        self.assertEqual(self.image("downloading-42").at(self.s(24) + self.s(3), box_top + self.s(9)), (45, 45, 48))

    def test_separator_and_buttons_show_only_with_a_footer(self):
        failed = self.image("failed")
        separator_y = self.facts["button"][("failed", RETRY_ID)]["rect"][1] - self.s(12) - 1
        self.assertEqual(failed.at(self.s(190), separator_y), SEPARATOR)
        retry = self.facts["button"][("failed", RETRY_ID)]["rect"]
        area = (retry[2] - retry[0]) * (retry[3] - retry[1])
        self.assertGreater(failed.count(retry, ACCENT, 8), area // 2)
        cancelling = self.image("cancelling")
        bottom_band = (0, cancelling.height - self.s(20), cancelling.width - 2, cancelling.height - 2)
        self.assertEqual(cancelling.count(bottom_band, SEPARATOR, 2), 0)

    def test_keyboard_focus_shows_a_ring_inside_the_face_and_the_mouse_lights_the_primary_button(self):
        close = self.facts["button"][("failed", CANCEL_CLOSE_ID)]["rect"]
        self.assertEqual(self.image("failed").count(close, FOCUS_RING, 4), 0)
        # Two pixels wide, two pixels in from the face's edge, along the top and bottom.
        left, top, right, bottom = close
        ring = self.image("failed-focus")
        middle = (left + right) // 2
        for band in ((middle - 10, top + self.s(2), middle + 10, top + self.s(4)),
                     (middle - 10, bottom - self.s(4), middle + 10, bottom - self.s(2))):
            self.assertGreater(ring.count(band, FOCUS_RING, 30), 30, band)
        self.assertEqual(ring.count((middle - 10, top, middle + 10, top + 1), FOCUS_RING, 30), 0, "not on the edge")
        retry = self.facts["button"][("failed", RETRY_ID)]["rect"]
        area = (retry[2] - retry[0]) * (retry[3] - retry[1])
        self.assertGreater(self.image("failed-hover").count(retry, PRIMARY_HOVERED, 8), area // 2)

    def test_states_that_differ_look_different(self):
        bar = self.bar_rect()
        pairs = [("downloading-0", "downloading-42", bar), ("downloading-42", "checking", bar),
                 ("downloading-42", "checking", (self.s(24), self.s(42), self.s(356), self.s(60)))]
        for first, second, rect in pairs:
            with self.subTest(first=first, second=second):
                self.assertNotEqual(self.image(first).region(rect), self.image(second).region(rect))
        self.assertNotEqual(self.image("failed").pixels, self.image("cancelling").pixels)
        self.assertNotEqual(self.image("preparing").pixels, self.image("downloading-0").pixels)


    # -- what a screen reader reads and hears (msaa_client) --------------------

    def test_a_screen_reader_reads_every_shown_block_in_reading_order(self):
        minimize = ("Button", "최소화")
        progress = [("Static", DOWNLOADING), ("Static", DETAIL_64)], [("Static", NOTE), minimize, ("Button", "취소")]
        expected = {
            "preparing": [("Static", PREPARING), minimize],
            "downloading-moving": progress[0] + [("msctls_progress32", "moving")] + progress[1],
            "downloading-42": progress[0] + [("msctls_progress32", "42%")] + progress[1],
            "failed": [("Static", FAILED), ("Static", FAILED_DETAIL), minimize, ("Button", "닫기"),
                       ("Button", "다시 시도")],
            "cancelling": [("Static", CANCELLING), ("Static", "설치하지 않고 종료합니다."),
                           ("msctls_progress32", "moving"), minimize],
        }
        for name, blocks in expected.items():
            self.assertEqual(shown_blocks(self.readers[name]), blocks, name)

    def test_each_new_screen_is_announced_once_and_the_bar_at_most_once_a_second(self):
        events = reader_lines(self.readers["events"], "event")
        announced = [" ".join(words[7:]) for words in events if words[0] == "liveregion"]
        # Each failure also speaks its instruction (its order is checked in context: Wine hands
        # out-of-context events of two windows over in either order). The reopened window at the end
        # may announce its first screen too.
        headings = [name for name in announced if name != FAILED_DETAIL]
        self.assertEqual(headings[:7], [PREPARING, DOWNLOADING, CHECKING, FAILED, CANCELLING, DOWNLOADING, FAILED])
        # A reader out of context reads the name when the event reaches it: the progress screen
        # shown for a moment before the last failure may already be gone by then.
        self.assertIn(headings[7:9], ([DOWNLOADING, FAILED], [FAILED, FAILED]))
        self.assertIn(headings[9:], ([], [PREPARING]))
        self.assertEqual(announced.count(FAILED_DETAIL), 3)
        value_times = [int(words[3]) for words in events if words[0] == "valuechange"]
        self.assertTrue(value_times, "the bar reports its value")
        self.assertTrue(all(b - a >= 900 for a, b in zip(value_times, value_times[1:])), value_times)

    def test_focus_goes_to_retry_on_failure_and_tab_cycles_the_shown_buttons(self):
        self.assertEqual(reader_lines(self.readers["failed"], "focus"), [["Button", "12", "다시", "시도"]])
        self.assertNotEqual(reader_lines(self.readers["cancelling"], "focus")[0][0], "Button", "no hidden button")
        # Tab, Tab, Shift+Tab from "닫기" (the driver's own Tab put the focus there).
        self.assertEqual([words[1] for words in reader_lines(self.readers["failed-focus"], "focus")],
                         ["11", "12", "11", "12"])

    def test_a_click_sent_from_outside_after_a_pause_acts(self):
        self.assertEqual(reader_lines(self.readers["failed"], "pressed"), [["bm-click"]])
        self.assertEqual(self.facts["held"][0], ["failed", str(3)])

    def test_after_switching_away_and_back_or_a_restore_the_focus_is_on_retry_and_enter_retries(self):
        away = self.readers["failed-away"]
        self.assertEqual(reader_lines(away, "foreground"), [["away", "1"], ["back", "1"]])
        self.assertEqual(reader_lines(away, "restored"), [["iconic", "0"]])
        retry = ["Button", "12", "다시", "시도"]
        self.assertEqual(reader_lines(away, "focus")[-2:], [retry, retry], "after Alt+Tab, after a restore")
        self.assertIn(["failed-away", str(3)], self.facts["held"])

    def test_the_failure_is_spoken_heading_then_the_focused_button_then_the_instruction(self):
        # Heard in the window's own process while each event is raised: the text is already the new one.
        heard = [line.split(" ", 4)[1:] for line in self.facts["lines"] if line.startswith("heard ")]
        failure = [i for i, words in enumerate(heard) if words[0] == "liveregion" and words[3] == FAILED]
        self.assertTrue(failure, heard)
        for start in failure:
            self.assertEqual(heard[start + 1:start + 3], [["focus", "Button", "12", "다시 시도"],
                                                         ["liveregion", "Static", "0", FAILED_DETAIL]])
        spoken = [words[3] for words in heard if words[0] == "liveregion"]
        self.assertEqual(spoken[:3], [PREPARING, DOWNLOADING, CHECKING])

    def test_the_window_is_a_dialog_and_each_screen_has_its_live_setting(self):
        for name in ("preparing", "downloading-42", "checking", "cancelling"):
            role, live = annotations(self.readers[name])
            self.assertEqual((role, live[0]), (ROLE_SYSTEM_DIALOG, POLITE), name)
        role, live = annotations(self.readers["failed"])
        self.assertEqual((role, live[0], live[1]), (ROLE_SYSTEM_DIALOG, ASSERTIVE, POLITE))

    def test_pointing_at_a_text_finds_that_text(self):
        for name, texts in (("downloading-42", {0: DOWNLOADING, 1: DETAIL_64, 3: NOTE}),
                            ("failed", {0: FAILED, 1: FAILED_DETAIL, 5: "닫기"})):
            pointed = {int(words[0]): words[1:] for words in reader_lines(self.readers[name], "point")}
            for index, text in texts.items():
                self.assertEqual(pointed[index], ["window", "1", "name"] + text.split(" "), (name, index))


class SetupWindowStates144(SetupWindowStates96):
    dpi = 144

    def test_the_column_and_heading_scale_to_the_screen(self):
        self.assertEqual(self.facts["state"]["preparing"]["client"][0], 570)
        heading_top = self.s(42)
        self.assertEqual(heading_top, 63)
        self.assertEqual(self.s(24), 36)
        image = self.image("preparing")
        rows = [y for y in range(image.height) if image.count((36, y, 534, y + 1), (232, 232, 232), 60)]
        self.assertGreaterEqual(min(r for r in rows if r > self.s(36)), heading_top)


class SetupWindowInput(WineJourney):
    """What clicks, Enter, Esc, Alt+F4 and the system menu ask for, and the pump."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.events = parse(cls.run_driver("events"))
        cls.pump = parse(cls.run_driver("pump"))

    @classmethod
    def run_driver(cls, mode):
        result = cls.prefix.run(config.wine_helper("window_driver.exe"), [mode], timeout=120)
        assert result.returncode == 0, result.stderr.decode("utf-8", "replace")
        return result.stdout.decode("utf-8").replace("\r", "")

    def assertEvents(self, expected):
        for scenario, result in expected.items():
            with self.subTest(scenario):
                self.assertEqual(self.events["pump"][scenario], result)
                self.assertEqual(self.events["after"][scenario]["alive"], 1, "the window never closes itself")

    def test_progress_screen_reports_cancel_for_every_way_of_leaving(self):
        self.assertEvents({"progress-click": (-1, 1), "progress-escape": (-1, 1), "progress-altf4": (-1, 1),
                           "progress-sysclose": (-1, 1), "progress-tab-enter": (-1, 1)})

    def test_enter_without_a_focused_button_does_nothing(self):
        self.assertEvents({"progress-enter-unfocused": (-2, 0)})

    def test_failure_screen_reports_close_and_retry(self):
        self.assertEvents({"failed-click-close": (-1, 2), "failed-click-retry": (-1, 3), "failed-escape": (-1, 2),
                           "failed-altf4": (-1, 2), "failed-sysclose": (-1, 2), "failed-tab-enter": (-1, 2),
                           "failed-tab-tab-enter": (-1, 3)})

    def test_a_click_right_after_the_buttons_changed_is_ignored(self):
        self.assertEvents({"failed-then-progress-click-at-once": (-2, 0)})

    def test_a_close_only_button_set_reports_close(self):
        self.assertEvents({"closeonly-escape": (-1, 2), "closeonly-click": (-1, 2)})

    def test_the_cancelling_screen_cannot_be_closed(self):
        self.assertEvents({"cancelling-escape": (-2, 0), "cancelling-altf4": (-2, 0), "cancelling-sysclose": (-2, 0),
                           "cancelling-enter": (-2, 0)})
        for scenario in ("cancelling-escape", "cancelling-altf4", "cancelling-sysclose"):
            self.assertEqual(self.events["after"][scenario]["windows"], 1)

    def test_the_minimize_button_minimizes_without_an_event(self):
        self.assertEvents({"progress-minimize": (-2, 0)})
        self.assertEqual(self.events["after"]["progress-minimize"]["iconic"], 1)

    def test_timeout_zero_drains_the_queue_and_returns_minus_two(self):
        self.assertEqual(self.pump["pump"]["drain"], (-2, 0))
        self.assertIn(["drain", "200"], self.pump["dispatched"])

    def test_a_pending_event_comes_before_a_signalled_handle(self):
        self.assertEqual(self.pump["pump"]["pending-before-handle"], (-1, 1))
        self.assertEqual(self.pump["pump"]["handle-after-event"], (0, 0))
        self.assertEqual(self.pump["pump"]["queued-click-before-handle"], (-1, 1))
        self.assertEqual(self.pump["pump"]["second-handle"], (1, 0))

    def test_apply_view_discards_an_unread_event(self):
        self.assertEqual(self.pump["pump"]["apply-discards"], (-2, 0))

    def test_the_wait_times_out_and_unusable_handle_lists_fail_the_wait(self):
        self.assertEqual(self.pump["pump"]["timeout"], (-2, 0))
        self.assertGreaterEqual(int(self.pump["elapsed"][0][1]), 120)
        self.assertEqual(self.pump["pump"]["no-handle-list"], (-2, 0))
        self.assertEqual(self.pump["pump"]["too-many-handles"], (-2, 0))

    def test_the_pump_serves_the_thread_while_the_window_is_closed(self):
        self.assertEqual(self.pump["pump"]["closed"], (-2, 0))
        self.assertIn(["closed", "10"], self.pump["dispatched"])
        self.assertEqual(self.pump["reopen"], [["retry-visible", "1"]])


# A scheme whose button text is close to the window colour while the button face
# is far from both: a caption or border drawn in button text on the window vanishes.
HIGH_CONTRAST_SCHEME = {"Window": (0, 0, 0), "WindowText": (255, 255, 0), "ButtonFace": (0, 90, 160),
                        "ButtonText": (24, 24, 24), "Hilight": (0, 200, 120), "HilightText": (120, 0, 90),
                        "GrayText": (150, 150, 150)}


class SetupWindowHighContrast(HeldStates, WineJourney):
    """Wine cannot switch high contrast on; the test build's variable stands in
    for it, and the window paints with the system colours of the prefix's
    registry, set to a scheme where only the matched pairs stand apart."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for name, colour in HIGH_CONTRAST_SCHEME.items():
            cls.prefix.wine("reg", "add", r"HKCU\Control Panel\Colors", "/v", name, "/t", "REG_SZ", "/d",
                            " ".join(map(str, colour)), "/f")
        cls.shots = os.path.join(config.TEST_BUILD, "screenshots", "high-contrast")
        os.makedirs(cls.shots, exist_ok=True)
        cls.facts = parse(cls.run_driver_with_screenshots(dict(cls.prefix.env, NORVANE_TEST_HIGH_CONTRAST="1")))
        cls.system = {words[0]: tuple(map(int, words[1:4])) for words in
                      reader_lines(cls.readers["preparing"], "syscolour")}

    def test_every_block_is_painted_in_the_system_colours(self):
        window, text, highlight = (self.system[k] for k in ("window", "windowtext", "highlight"))
        preparing = Image(self.shot_path("preparing"))
        self.assertEqual(preparing.at(200, 39), window)
        heading = (24, 42, 356, 58)
        self.assertGreater(preparing.count(heading, text, 40), 40)
        self.assertGreater(preparing.count((12, 10, 28, 26), self.system["highlighttext"], 40), 5, "the badge's arrow")
        failed = Image(self.shot_path("failed"))
        self.assertGreater(failed.count(heading, text, 40), 40)
        self.assertEqual(failed.count(heading, ALERT, 30), 0)
        bar = Image(self.shot_path("downloading-42"))
        bar_rows = [y for y in range(bar.height) if bar.at(100, y) == highlight and bar.at(40, y) == highlight]
        self.assertTrue(bar_rows, "the filled part of the bar")
        self.assertEqual(bar.at(300, bar_rows[len(bar_rows) // 2]), window, "the empty part of the bar")

    def test_the_buttons_show_their_captions_and_the_focus_ring_in_matched_pairs(self):
        face, face_text = self.system["btnface"], self.system["btntext"]
        lit, lit_text = self.system["highlight"], self.system["highlighttext"]
        failed = Image(self.shot_path("failed"))
        left, top, right, bottom = self.facts["button"][("failed", CANCEL_CLOSE_ID)]["rect"]
        area = (right - left) * (bottom - top)
        self.assertGreater(failed.count((left, top, right, bottom), face, 4), area // 2, "닫기 has its face")
        self.assertGreater(failed.count((left + 8, top + 6, right - 8, bottom - 6), face_text, 40), 20,
                           "the 닫기 caption")
        retry = self.facts["button"][("failed", RETRY_ID)]["rect"]
        self.assertGreater(failed.count(retry, lit, 8), area // 2)
        self.assertGreater(failed.count(retry, lit_text, 40), 20, "the 다시 시도 caption")
        ring = Image(self.shot_path("failed-focus"))  # the keyboard's focus on 닫기
        middle = (left + right) // 2
        self.assertGreater(ring.count((middle - 10, top + 2, middle + 10, top + 4), face_text, 30), 30)
        self.assertGreater(ring.count((middle - 10, bottom - 4, middle + 10, bottom - 2), face_text, 30), 30)

    def test_switching_high_contrast_off_repaints_at_once_in_the_dark_palette(self):
        dark = Image(self.shot_path("contrast-off"))
        self.assertEqual(dark.at(200, 39), BACKGROUND)
        self.assertGreater(dark.count((274, dark.height - 48, 364, dark.height - 14), ACCENT, 8), 1500)


class SetupWindowPaints(WineJourney):
    """Repaints follow changes only: one per percentage step, and the moving
    bar redraws just the bar. The driver's bench mode also reports apply times."""

    def test_a_download_repaints_once_per_percentage_and_the_animation_only_the_bar(self):
        watcher = self.prefix.start(config.wine_helper("msaa_client.exe"), ["watch", "60000"])
        self.assertEqual(watcher.stdout.readline().strip(), b"watching")
        started = time.monotonic()
        result = self.prefix.run(config.wine_helper("window_driver.exe"), ["bench"], timeout=120)
        seconds = time.monotonic() - started
        events = reader_lines(watcher.communicate(timeout=120)[0].decode("utf-8"), "event")
        self.assertEqual(result.returncode, 0)
        # 101 percentage steps in a few seconds: screen readers hear about one a second, not a flood.
        values = [words for words in events if words[0] == "valuechange"]
        self.assertGreaterEqual(len(values), 1)
        self.assertLessEqual(len(values), seconds + 1)
        self.assertEqual(len([words for words in events if words[0] == "liveregion"]), 3)
        bench = {}
        for line in result.stdout.decode("utf-8").replace("\r", "").splitlines():
            words = line.split(" ")
            if words[0] == "bench":
                bench[words[1]] = words[2:]
        steps = int(bench["percent-steps"][0])
        moving_frames = int(bench["bar-frames"][0])
        self.assertEqual(steps, 101)
        self.assertGreater(moving_frames, 0, "the moving bar animates")
        # One whole repaint for the moving-bar view, then one per percentage step.
        self.assertLessEqual(int(bench["whole-paints"][0]), steps + 1)
        self.assertLessEqual(int(bench["partial-paints"][0]), moving_frames)
        left, top, right, bottom = map(int, bench["partial-rect"][:4])
        self.assertEqual((left, right - left, bottom - top), (24, 332, 6))
        self.assertEqual(bench["partial-rects-agree"], ["1"])
