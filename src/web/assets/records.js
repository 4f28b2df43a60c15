"use strict";
// The records table: the server sends each value in the display units and
// its time in local words beside the base values, so nothing converts here.
(function () {
    var scopes = ["all_time", "year", "month"];

    function message(text) {
        var m = document.getElementById("message");
        m.textContent = text || "";
        m.hidden = !text;
        document.getElementById("records").hidden = !!text;
    }

    function cell(scope) {
        var td = document.createElement("td");
        if (!scope) {
            td.textContent = "--";
            return td;
        }
        var value = document.createElement("b");
        value.textContent = scope.text;
        var when = document.createElement("span");
        when.className = "when";
        when.textContent = scope.local;
        td.appendChild(value);
        td.appendChild(when);
        return td;
    }

    function show(data) {
        if (data.year)
            document.getElementById("year").textContent = "This year (" + data.year + ")";
        var rows = document.getElementById("rows");
        rows.textContent = "";
        data.records.forEach(function (r) {
            var tr = document.createElement("tr");
            tr.id = r.record;
            var th = document.createElement("th");
            th.textContent = r.name;
            tr.appendChild(th);
            scopes.forEach(function (s) { tr.appendChild(cell(r[s])); });
            rows.appendChild(tr);
        });
        message("");
        document.body.dataset.loaded = "records";
    }

    function load() {
        fetch("/api/records.json").then(function (r) {
            return r.json().then(function (data) { return { ok: r.ok, data: data }; });
        }).then(function (reply) {
            if (!reply.ok || !reply.data.records)
                message(reply.data.error || "No records");
            else
                show(reply.data);
        }).catch(function () { message("The console did not answer"); });
    }

    load();
    // A record changes at most once a minute.
    setInterval(load, 60000);
})();
