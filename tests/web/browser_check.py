#!/usr/bin/python3
"""Drives headless Chromium at 412x915 against a test's web server, in steps
the test paces through stdin/stdout:
  1. loads / and waits for the temperature to read TEMP; checks that the page
     fits the width and prints "shown <text>";
  2. after a line on stdin, waits for the temperature to read NEXT without a
     reload and prints "updated";
  3. after another line, waits for the "No Data Connection" banner and prints
     "banner";
  4. after another line (the console has restarted meanwhile), waits for the
     temperature to read AGAIN without the banner and prints "reconnected";
  5. loads /history and waits for its charts; prints "history <range>";
  6. follows the main page's link to /records and prints "records <value>
     <time>" of the all-time highest temperature;
then prints the browser's console errors, if any, as "console <message>".
Exits 77 when Chromium, its driver or Selenium is missing.
    browser_check.py URL TEMP NEXT AGAIN"""
import os
import signal
import sys
import tempfile

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("skip Selenium (python3-selenium) is missing", flush=True)
    sys.exit(77)

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"


def say(*words):
    print(*words, flush=True)


def main():
    # Ended by its parent (a failed test): the browser goes too, by the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    url, temp, following, again = sys.argv[1:5]
    if not (os.access(CHROMIUM, os.X_OK) and os.access(DRIVER, os.X_OK)):
        say("skip chromium or chromium-driver is missing")
        return 77
    with tempfile.TemporaryDirectory() as profile:
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--window-size=412,915", "--user-data-dir=" + profile):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        # A headless window is at least 500 px wide: the phone's screen is emulated.
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 412, "height": 915, "deviceScaleFactor": 2.625,
                                "mobile": True})
        wait = WebDriverWait(driver, 15, poll_frequency=0.05)
        text = lambda id_: driver.find_element(By.ID, id_).text
        try:
            driver.get(url)
            wait.until(lambda d: text("temp") == temp)
            driver.execute_script("window.stillThisPage = true")
            fits = driver.execute_script(
                "return document.documentElement.scrollWidth <= window.innerWidth")
            say("shown", text("temp"), "width", driver.execute_script("return innerWidth"),
                "fits" if fits else "overflows")
            sys.stdin.readline()
            wait.until(lambda d: text("temp") == following)
            if driver.execute_script("return window.stillThisPage === true"):
                say("updated")
            sys.stdin.readline()
            wait.until(lambda d: d.find_element(By.ID, "banner").is_displayed())
            say("banner", text("banner"))
            sys.stdin.readline()
            wait.until(lambda d: text("temp") == again
                       and not d.find_element(By.ID, "banner").is_displayed())
            say("reconnected")
            driver.get(url + "history")
            wait.until(lambda d: d.execute_script("return document.body.dataset.loaded"))
            say("history", driver.execute_script(
                "return document.body.dataset.loaded + ' ' + (typeof Chart)"))
            driver.get(url)
            driver.find_element(By.LINK_TEXT, "Records").click()
            wait.until(lambda d: d.execute_script("return document.body.dataset.loaded"))
            say("records", driver.find_element(By.CSS_SELECTOR, "#temp_high td").text
                .replace("\n", " "))
            # The stream the restart broke is the one error the browser may log.
            for entry in driver.get_log("browser"):
                message = entry.get("message", "")
                if entry.get("level") == "SEVERE" and "/api/events" not in message:
                    say("console", message)
        finally:
            driver.quit()
    return 0


if __name__ == "__main__":
    sys.exit(main())
