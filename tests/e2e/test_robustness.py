"""The real program under stress: two runs at once, a full disk while staging,
and cancels at random moments."""
import glob
import os
import random
import subprocess
import time

from . import config
from . import test_install_flow as flow

RANDOM_CANCEL_RUNS = 50


class Robustness(flow.ReleaseJourney):
    installer_padding = 2 * 1024 * 1024

    def temp_folder(self):
        users = os.path.join(self.prefix.drive_c, "users")
        folders = glob.glob(os.path.join(users, "*", "Temp")) + glob.glob(os.path.join(users, "*", "AppData", "Local", "Temp"))
        folders = [f for f in folders if not f.startswith(os.path.join(users, "Public"))]
        self.assertEqual(len(folders), 1, folders)
        return folders[0]

    def test_two_runs_at_once_share_no_staging_folder_and_log_whole_lines(self):
        self.prefix.env.update(self.servers.env(primary_down=True))  # each run logs its fallback
        runs = [self.prefix.start_program(self.download, ["--background"]) for _ in range(2)]
        self.assertEqual([run.wait(120) for run in runs], [0, 0])
        installers = self.installer_runs()
        self.assertEqual(len(installers), 2, installers)
        folders = {line.split("\\Norvane--")[0] for line in installers}
        self.assertEqual(len(folders), 2, installers)
        self.assertEqual(self.staging_folders(), [])
        # Every line is whole (log_messages checks the shape of each), from two processes.
        raw = self.read_log().decode("utf-8-sig")
        fallbacks = [line for line in raw.splitlines() if "에서 받지 못해" in line]
        self.log_messages()
        self.assertEqual(len({line.split("] [")[1].split("]")[0] for line in fallbacks}), 2, fallbacks)

    def test_full_disk_while_staging_fails_cleanly(self):
        temp = self.temp_folder()
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", temp], capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small tmpfs here: " + mounted.stderr.decode())
        try:
            code, text = self.run_with_box_watch(self.download, ["--background"], box_timeout_ms=2000,
                                                 run_timeout=120)
            self.assertEqual((code, text), (1, None))
            self.assertEqual(self.installer_runs(), [])
            self.assertEqual(os.listdir(temp), [])
        finally:
            subprocess.run(["umount", temp])

    def test_cancel_at_random_moments_never_leaves_a_staged_folder_or_hangs(self):
        for server in (self.servers.primary, self.servers.secondary):
            server.add_rule("Norvane-x64.exe", chunk_delay=0.02)
        randomness = random.Random(20261208)
        outcomes = {1223: 0, 0: 0}
        for attempt in range(RANDOM_CANCEL_RUNS):
            ran_before = len(self.installer_runs())
            program = self.prefix.start_program(self.download)
            time.sleep(randomness.uniform(0.0, 3.0))
            # Closing the progress window is the user's Cancel; it may also come too late.
            self.prefix.run(config.wine_helper("window_helper.exe"), ["close", "0"], timeout=30)
            code = program.wait(90)
            self.assertIn(code, outcomes, f"run {attempt}")
            outcomes[code] += 1
            self.assertEqual(len(self.installer_runs()) - ran_before, 1 if code == 0 else 0, f"run {attempt}")
            self.assertEqual(self.staging_folders(), [], f"run {attempt}")
        self.assertGreater(outcomes[1223], 0, outcomes)
