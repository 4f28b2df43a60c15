"use strict";
// The archive's graphs, as the console's history view draws them: a range
// of 24 h, 7 d, 30 d or 1 y, stepped back and forth, in six charts.
(function () {
    var ranges = { "24h": 86400e3, "7d": 7 * 86400e3, "30d": 30 * 86400e3, "1y": 365 * 86400e3 };
    var range = "24h";
    var end = null; // null: the latest period
    var charts = [];
    var css = getComputedStyle(document.documentElement);

    function colour(name, alpha) {
        var c = css.getPropertyValue(name).trim();
        if (alpha === undefined || !/^#[0-9a-f]{6}$/i.test(c))
            return c;
        var n = parseInt(c.slice(1), 16);
        return "rgba(" + (n >> 16) + "," + ((n >> 8) & 255) + "," + (n & 255) + "," + alpha + ")";
    }

    function points(list) {
        return (list || []).map(function (p) { return { x: p[0], y: p[1] }; });
    }

    function line(label, data, colourName, extra) {
        var d = { label: label, data: points(data), borderColor: colour(colourName),
                  backgroundColor: colour(colourName, 0.25), borderWidth: 1.5, pointRadius: 0 };
        for (var k in extra)
            d[k] = extra[k];
        return d;
    }

    // A band between two series: the high one fills down to the next dataset.
    function band(label, low, high, colourName) {
        return [line(label + " high", high, colourName, { borderWidth: 0, fill: "+1",
                     backgroundColor: colour(colourName, 0.2) }),
                line(label + " low", low, colourName, { borderWidth: 0 })];
    }

    function pad(n) { return (n < 10 ? "0" : "") + n; }
    var months = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"];
    var days = ["Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"];

    function tickText(ms) {
        var d = new Date(ms);
        switch (range) {
        case "24h": return pad(d.getHours()) + ":" + pad(d.getMinutes());
        case "7d": return days[d.getDay()] + " " + d.getDate();
        case "30d": return d.getDate() + " " + months[d.getMonth()];
        default: return months[d.getMonth()] + " " + String(d.getFullYear()).slice(2);
        }
    }

    // Ticks on local hours, days or months, as the console's axes read.
    function timeTicks(from, to) {
        var ticks = [];
        var d = new Date(from);
        d.setMinutes(0, 0, 0);
        if (range === "24h") {
            d.setHours(Math.ceil(d.getHours() / 3) * 3);
            for (; d.getTime() <= to; d.setHours(d.getHours() + 3))
                if (d.getTime() >= from) ticks.push({ value: d.getTime() });
            return ticks;
        }
        d.setHours(0);
        if (range === "1y")
            d.setDate(1);
        var step = range === "7d" ? 1 : 5;
        for (; d.getTime() <= to;) {
            if (d.getTime() >= from) ticks.push({ value: d.getTime() });
            if (range === "1y") d.setMonth(d.getMonth() + 1); else d.setDate(d.getDate() + step);
        }
        return ticks;
    }

    function options(data, unit, fromZero, extraScales) {
        var scales = {
            x: { type: "linear", min: data.from, max: data.to,
                 afterBuildTicks: function (axis) { axis.ticks = timeTicks(data.from, data.to); },
                 ticks: { callback: tickText, color: colour("--text"), maxRotation: 0 },
                 grid: { color: colour("--line") } },
            y: { beginAtZero: !!fromZero, title: { display: true, text: unit, color: colour("--text") },
                 ticks: { color: colour("--text") }, grid: { color: colour("--line") } }
        };
        for (var k in extraScales)
            scales[k] = extraScales[k];
        return {
            responsive: true, maintainAspectRatio: false, animation: false, normalized: true,
            interaction: { mode: "nearest", axis: "x", intersect: false },
            scales: scales,
            plugins: {
                legend: { labels: { color: colour("--text"), boxWidth: 12,
                                    filter: function (item) { return !/ (low|high)$/.test(item.text); } } },
                tooltip: { callbacks: { title: function (items) {
                    return items.length ? new Date(items[0].parsed.x).toLocaleString() : ""; } } }
            }
        };
    }

    // Rain as bars drawn as one stepped outline from zero, with the running total.
    function rainOutline(rain) {
        var out = [];
        rain.forEach(function (r) {
            out.push([r[0], 0], [r[0], r[2]], [r[1], r[2]], [r[1], 0]);
        });
        return out;
    }

    function draw(data) {
        charts.forEach(function (c) { c.destroy(); });
        charts = [];
        var s = data.series;
        var u = data.units;
        var pressureDecimals = u.pressure === "mbar" ? 1 : 2;
        var totals = [[data.rain.length ? data.rain[0][0] : data.from, 0]].concat(
            data.rain.map(function (r) { return [r[1], r[3]]; }));
        var charted = [
            ["tempChart", u.temperature, false,
             band("Temperature", s.tempLow, s.tempHigh, "--red").concat(
                 [line("Temperature", s.temp, "--text"), line("Dew point", s.dew, "--second")])],
            ["humChart", "%", false,
             band("Humidity", s.humLow, s.humHigh, "--blue").concat([line("Humidity", s.hum, "--blue")])],
            ["pressChart", u.pressure, false,
             band("Pressure", s.pressLow, s.pressHigh, "--third").concat(
                 [line(data.pressure === "station" ? "Station pressure" : "Sea-level pressure",
                       s.press, "--third")])],
            ["windChart", u.speed, true,
             [line("Gust", s.gust, "--red", { borderWidth: 1 }), line("Mean wind", s.wind, "--text")]],
            ["rainChart", u.rain, true,
             [line("Rain", rainOutline(data.rain), "--blue", { fill: "origin", borderWidth: 1 }),
              line("Total", totals, "--second", { yAxisID: "total", stepped: false })]],
            ["solarChart", "W/m²", true,
             [line("Solar radiation", s.solar, "--second", { fill: "origin" }),
              line("Peak", s.solarMax, "--second", { borderWidth: 1, borderDash: [4, 3] })]]
        ];
        document.getElementById("pressTitle").textContent =
            data.pressure === "station" ? "Station pressure" : "Sea-level pressure";
        charted.forEach(function (chart) {
            var extra = chart[0] === "rainChart"
                ? { total: { position: "right", beginAtZero: true, grid: { display: false },
                             ticks: { color: colour("--second") } } } : null;
            var o = options(data, chart[1], chart[2], extra);
            o.scales.y.ticks.callback = function (v) {
                return chart[0] === "pressChart" ? Number(v).toFixed(pressureDecimals) : v;
            };
            charts.push(new Chart(document.getElementById(chart[0]), {
                type: "line", data: { datasets: chart[3] }, options: o }));
        });
    }

    function periodText(from, to) {
        var daily = range === "30d" || range === "1y";
        function text(ms) {
            var d = new Date(ms);
            return (daily ? "" : days[d.getDay()] + " ") + d.getDate() + " " + months[d.getMonth()] +
                (daily ? " " + d.getFullYear() : " " + pad(d.getHours()) + ":" + pad(d.getMinutes()));
        }
        // The period ends where the next begins; its last day is the one before.
        return text(from) + " – " + text(daily ? to - 1 : to);
    }

    function message(text) {
        var m = document.getElementById("message");
        m.textContent = text || "";
        m.hidden = !text;
        document.getElementById("charts").hidden = !!text;
    }

    function load() {
        document.querySelectorAll("[data-range]").forEach(function (b) {
            b.setAttribute("aria-pressed", b.dataset.range === range ? "true" : "false");
        });
        var url = "/api/history.json?range=" + range + (end ? "&end=" + new Date(end).toISOString() : "");
        fetch(url).then(function (r) { return r.json(); }).then(function (data) {
            if (data.error && !data.series) {
                message(data.error);
                return;
            }
            document.getElementById("period").textContent = periodText(data.from, data.to);
            document.getElementById("next").disabled = end === null;
            document.getElementById("latest").disabled = end === null;
            var empty = !data.series.temp && !data.rain.length;
            message(empty ? (data.error ? "No archive to read" : "No data for this period") : "");
            if (!empty && typeof Chart !== "undefined")
                draw(data);
            else if (!empty)
                message("The charts are not available in this build");
            document.body.dataset.loaded = data.range;
            window.lastPeriod = data;
        }).catch(function () { message("The console did not answer"); });
    }

    document.querySelectorAll("[data-range]").forEach(function (b) {
        b.addEventListener("click", function () { range = b.dataset.range; end = null; load(); });
    });
    document.getElementById("previous").addEventListener("click", function () {
        end = (window.lastPeriod ? window.lastPeriod.from : Date.now() - ranges[range]);
        load();
    });
    document.getElementById("next").addEventListener("click", function () {
        if (end === null)
            return;
        end += ranges[range];
        if (end >= Date.now())
            end = null;
        load();
    });
    document.getElementById("latest").addEventListener("click", function () { end = null; load(); });
    load();
})();
