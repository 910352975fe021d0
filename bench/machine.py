"""The machine a benchmark ran on: CPU model, cores, memory, Wine version, load."""
import os
import subprocess


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key.strip() == "model name":
                return value.strip()
    return "unknown"


def memory_gib():
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal:"):
                return int(line.split()[1]) / 1048576
    return 0.0


def wine_version():
    try:
        result = subprocess.run(["wine", "--version"], capture_output=True, text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired):
        return "unknown"
    return result.stdout.strip() or "unknown"


def load_average():
    """The one-minute load average: other work on the machine slows the Wine rows most."""
    return os.getloadavg()[0]


def describe():
    """Lines naming the machine, ready to print above the table."""
    return [
        f"CPU:    {cpu_model()}",
        f"Cores:  {os.cpu_count()}",
        f"Memory: {memory_gib():.1f} GiB",
        f"Wine:   {wine_version()}",
        f"Load:   {load_average():.2f} (one-minute average when the run began)",
    ]
