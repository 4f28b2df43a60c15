#!/usr/bin/python3
"""Loads a page in headless Chromium at 412x915, ROUNDS times, each in a
fresh tab of one browser, and prints the first contentful paint of each in
milliseconds.   paint.py URL [ROUNDS]"""
import signal
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


def main():
    # Ended by its parent (a failed test): the browser goes too, by the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    url = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as profile:
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--window-size=412,915", "--user-data-dir=" + profile):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        # A headless window is at least 500 px wide: the phone's screen is emulated.
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 412, "height": 915, "deviceScaleFactor": 2.625,
                                "mobile": True})
        try:
            for _ in range(rounds):
                driver.get(url)
                paint = -1
                for _ in range(100):
                    paint = driver.execute_script(
                        "var p = performance.getEntriesByName('first-contentful-paint');"
                        "return p.length ? p[0].startTime : -1;")
                    if paint >= 0:
                        break
                    time.sleep(0.05)
                print("paint %.1f" % paint, flush=True)
        finally:
            driver.quit()


if __name__ == "__main__":
    main()
