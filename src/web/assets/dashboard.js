"use strict";
// The live page: every published cycle arrives on the event stream as the
// console's display texts; the banner shows when the console would show it.
(function () {
    var staleAfterMs = 10000;
    // The page's start counts like the console's: no reading for ten seconds is stale.
    var lastFresh = Date.now();
    var source = null;
    var banner = document.getElementById("banner");

    function show(id, text) {
        var e = document.getElementById(id);
        if (e && e.textContent !== text)
            e.textContent = text;
    }

    function point(id, degrees) {
        var e = document.getElementById(id);
        if (!e)
            return;
        e.style.display = typeof degrees === "number" ? "" : "none";
        if (typeof degrees === "number")
            e.setAttribute("transform", "rotate(" + degrees + ")");
    }

    function setStale(stale) {
        banner.hidden = !stale;
        document.body.classList.toggle("stale", stale);
    }

    function onDisplay(event) {
        var d = JSON.parse(event.data);
        Object.keys(d).forEach(function (key) {
            if (typeof d[key] === "string")
                show(key, d[key]);
        });
        document.getElementById("rainRateRow").hidden = d.rainRate === null;
        document.getElementById("solarRow").hidden = d.solar === null;
        point("needleWindDeg", d.windDeg);
        point("needle2Deg", d.wind2Deg);
        point("needle10Deg", d.wind10Deg);
        point("needleGustDeg", d.gustDeg);
        if (typeof d.age_s === "number")
            lastFresh = Date.now() - d.age_s * 1000;
        setStale(d.stale);
    }

    function connect() {
        source = new EventSource("/api/events");
        source.addEventListener("display", onDisplay);
        // The browser retries by itself after a dropped stream; a refused one
        // (the console restarting) it gives up on, so it is opened anew.
        source.onerror = function () {
            if (source.readyState === EventSource.CLOSED) {
                source.close();
                setTimeout(connect, 3000);
            }
        };
    }

    setInterval(function () {
        if (Date.now() - lastFresh >= staleAfterMs)
            setStale(true);
    }, 1000);
    connect();
})();
