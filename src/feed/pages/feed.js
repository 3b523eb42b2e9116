// What every page of the live feed shares: the connection to the program, the board's readout
// rule for counting clocks on between messages, the LED digits, and the "No feed" state.
//
// A page marks the places to fill with data-feed="<what>" (home.name, home.score, title, period,
// clock.period, clock.jam, penalty.home.0 ... penalty.visitor.2, and in the game flow jamNumber,
// home.timeouts, home.reviews, visitor.timeouts, visitor.reviews, caption, caption.period,
// caption.jam) and data-cells="<n>" on LED displays, with data-blank="<outline>" where a blank
// display keeps an unlit outline; what only the game flow shows carries data-flow and is hidden
// without it. It calls CorvantaFeed.start() once. Fields the page does not know are ignored.
(function () {
    'use strict';

    // The board's default look, for a message without colours or with colours a page cannot read.
    var defaultColors = {
        back: '#404040', ledBack: '#000000', text: '#ffffff', home: '#ffffff', visitor: '#ffffff',
        border: '#ffffff', period: '#ff8000', jam: '#ff8000', score: '#ff0000',
        periodNumber: '#00c000', penalty: '#ff0000'
    };

    // ---- The board's readout rule -------------------------------------------------------------

    var ticksPerSecond = 10000;
    var tenthsThresholdTicks = 599000; // at and below 59.9 s the period clock shows seconds.tenths

    // The whole second a clock shows: its ticks plus 0.4999 s, rounded with halves to even.
    function wholeSeconds(ms) {
        var shifted = Math.round(ms * 10) + 4999;
        var whole = Math.floor(shifted / ticksPerSecond);
        var rest = shifted - whole * ticksPerSecond;
        if (rest > ticksPerSecond / 2 || (rest === ticksPerSecond / 2 && whole % 2 !== 0))
            ++whole;
        return whole;
    }

    function minutesSeconds(seconds) {
        var low = seconds % 60;
        return Math.floor(seconds / 60) + ':' + (low < 10 ? '0' : '') + low;
    }

    // What a display shows for a clock at ms; kind is 'period', 'jam' or 'penalty'. A clock
    // counting up (an official timeout or review) shows the whole seconds passed.
    function readout(kind, ms, up) {
        ms = Math.max(0, ms);
        if (up)
            return minutesSeconds(Math.floor(Math.round(ms * 10) / ticksPerSecond));
        if (kind === 'period' && Math.round(ms * 10) <= tenthsThresholdTicks) {
            // The tenth the clock is in: 0.0 only once it is out.
            var tenths = Math.floor((Math.round(ms * 10) + 999) / 1000);
            return Math.floor(tenths / 10) + '.' + (tenths % 10);
        }
        return minutesSeconds(wholeSeconds(ms));
    }

    // ---- LED digits --------------------------------------------------------------------------

    // Segments a..g of a seven-segment digit, each a polygon in a 60 x 100 box.
    var segmentShapes = {
        a: '10,4 50,4 44,10 16,10', b: '52,6 52,47 46,44 46,12', c: '52,53 52,94 46,88 46,56',
        d: '10,96 50,96 44,90 16,90', e: '8,53 8,94 14,88 14,56', f: '8,6 8,47 14,44 14,12',
        g: '12,50 18,46 42,46 48,50 42,54 18,54'
    };
    var segmentsOf = {
        '0': 'abcdef', '1': 'bc', '2': 'abdeg', '3': 'abcdg', '4': 'bcfg', '5': 'acdfg', '6': 'acdefg',
        '7': 'abc', '8': 'abcdefg', '9': 'abcdfg', '-': 'g', ' ': ''
    };
    var svgNs = 'http://www.w3.org/2000/svg';

    // A cell showing character; unlit, every segment and dot of it is drawn off.
    function cell(character, unlit) {
        var svg = document.createElementNS(svgNs, 'svg');
        if (character === ':' || character === '.') {
            svg.setAttribute('viewBox', '0 0 20 100');
            svg.setAttribute('class', 'led-cell led-narrow');
            var dots = character === ':' ? [32, 68] : [92];
            dots.forEach(function (y) {
                var dot = document.createElementNS(svgNs, 'rect');
                dot.setAttribute('x', '5');
                dot.setAttribute('y', String(y - 5));
                dot.setAttribute('width', '10');
                dot.setAttribute('height', '10');
                dot.setAttribute('class', unlit ? 'seg off' : 'seg on');
                svg.appendChild(dot);
            });
            return svg;
        }
        svg.setAttribute('viewBox', '0 0 60 100');
        svg.setAttribute('class', 'led-cell');
        var lit = !unlit && segmentsOf[character] !== undefined ? segmentsOf[character] : '';
        Object.keys(segmentShapes).forEach(function (name) {
            var segment = document.createElementNS(svgNs, 'polygon');
            segment.setAttribute('points', segmentShapes[name]);
            segment.setAttribute('class', lit.indexOf(name) >= 0 ? 'seg on' : 'seg off');
            svg.appendChild(segment);
        });
        return svg;
    }

    // Writes text into an LED display, right-aligned in its data-cells digit cells, so that the
    // display keeps its width whatever it shows. A display with data-blank (a penalty clock's
    // "8:88") shows that outline unlit when blank, colon and all, as the board does, so that its
    // box does not change size when a penalty starts or clears. The text itself stays readable
    // in data-text.
    function showLed(element, text) {
        text = text.trim();
        if (element.getAttribute('data-text') === text && element.firstChild)
            return;
        element.setAttribute('data-text', text);
        element.setAttribute('aria-label', text);
        var cells = parseInt(element.getAttribute('data-cells') || '0', 10);
        var digits = text.replace(/[:.]/g, '').length;
        var shown = text;
        for (var i = digits; i < cells; ++i)
            shown = ' ' + shown;
        var unlit = text === '' && element.hasAttribute('data-blank');
        if (unlit)
            shown = element.getAttribute('data-blank');
        while (element.firstChild)
            element.removeChild(element.firstChild);
        for (var j = 0; j < shown.length; ++j)
            element.appendChild(cell(shown[j], unlit));
    }

    // A text with data-fit (a team name, the title) too long for its place is shown whole in
    // smaller letters, as the board does, down to an eighth of its size; only beyond that is it
    // cut. Measured again when it changes, when the window does and when its place does.
    var smallestFit = 1 / 8;

    // The text's own width, and the room for it inside its box, to the fraction of a pixel: in
    // whole pixels a text a fraction wider than its box would pass for fitting, and be cut.
    function textWidth(element) {
        var range = document.createRange();
        range.selectNodeContents(element);
        return range.getBoundingClientRect().width;
    }

    function roomIn(element) {
        var style = getComputedStyle(element);
        return element.getBoundingClientRect().width - parseFloat(style.paddingLeft)
                - parseFloat(style.paddingRight) - parseFloat(style.borderLeftWidth)
                - parseFloat(style.borderRightWidth);
    }

    function fit(element) {
        element.style.fontSize = '';
        var available = roomIn(element);
        var needed = textWidth(element);
        if (available <= 0 || needed <= available)
            return;
        var size = parseFloat(getComputedStyle(element).fontSize);
        var smallest = size * smallestFit;
        size *= available / needed;
        // Letters do not narrow exactly with their size (hinting, rounding): a few steps more.
        for (var step = 0; step < 20; ++step) {
            size = Math.max(size, smallest);
            element.style.fontSize = size + 'px';
            if (textWidth(element) <= available || size <= smallest)
                return;
            size *= 0.97;
        }
    }

    function fitAll() {
        var elements = document.querySelectorAll('[data-fit]');
        for (var i = 0; i < elements.length; ++i)
            fit(elements[i]);
    }

    function showText(element, text) {
        if (element.textContent !== text) {
            element.textContent = text;
            if (element.hasAttribute('data-fit'))
                fit(element);
        }
        element.setAttribute('data-text', text);
    }

    function show(element, text) {
        if (element.hasAttribute('data-cells'))
            showLed(element, text);
        else
            showText(element, text);
    }

    // ---- The bout as last received, and the clocks counted on from it --------------------------

    var last = null;         // the last message
    var arrivedAt = 0;       // performance.now() when it arrived
    var clocks = {};         // data-feed name -> {kind, clock, counts}
    var stats = {messages: 0, lastApplyMs: 0, maxApplyMs: 0, connects: 0, keepAlives: 0};

    function string(value) {
        return typeof value === 'string' ? value : (typeof value === 'number' ? String(value) : '');
    }

    function object(value) {
        return value !== null && typeof value === 'object' ? value : {};
    }

    function color(value, fallback) {
        return typeof value === 'string' && /^#[0-9a-fA-F]{6}$/.test(value) ? value : fallback;
    }

    function applyColors(colors) {
        colors = object(colors);
        var led = object(colors.led);
        var style = document.documentElement.style;
        ['back', 'ledBack', 'text', 'home', 'visitor', 'border'].forEach(function (name) {
            style.setProperty('--' + name, color(colors[name], defaultColors[name]));
        });
        ['period', 'jam', 'score', 'periodNumber', 'penalty'].forEach(function (name) {
            style.setProperty('--led-' + name, color(led[name], defaultColors[name]));
        });
    }

    // The clocks of a message by data-feed name.
    function clocksOf(message) {
        var result = {};
        var c = object(message.clocks);
        result['clock.period'] = {kind: 'period', clock: object(c.period)};
        result['clock.jam'] = {kind: 'jam', clock: object(c.jam)};
        var penalties = object(message.penalties);
        ['home', 'visitor'].forEach(function (team) {
            var list = Array.isArray(penalties[team]) ? penalties[team] : [];
            for (var i = 0; i < 3; ++i)
                result['penalty.' + team + '.' + i] = {kind: 'penalty', clock: object(list[i])};
        });
        // A clock counts on by itself only where the board's rule gives the text it was sent with;
        // otherwise (time of day, a blank clock, a layout the rule does not know) the page shows
        // the text as sent until the next message.
        Object.keys(result).forEach(function (name) {
            var entry = result[name];
            var clock = entry.clock;
            entry.counts = clock.running === true && clock.timeOfDay !== true
                    && typeof clock.ms === 'number' && isFinite(clock.ms)
                    && string(clock.text).trim() !== ''
                    && readout(entry.kind, clock.ms, clock.down === false)
                            === string(clock.text).trim();
        });
        return result;
    }

    function textOf(message, name) {
        var parts = name.split('.');
        if (name === 'title')
            return string(message.title);
        if (name === 'period')
            return string(message.period);
        if (name === 'jamNumber')
            return string(message.jamNumber);
        if (parts[0] === 'caption') {
            // caption: the phase's wherever it stands; caption.period, caption.jam: over that slot.
            var caption = object(message.caption);
            return parts.length === 1 || caption.over === parts[1] ? string(caption.text) : '';
        }
        if (parts[0] === 'home' || parts[0] === 'visitor')
            return string(object(message[parts[0]])[parts[1]]);
        if (clocks[name])
            return currentClockText(clocks[name], performance.now());
        return '';
    }

    function currentClockText(entry, now) {
        var clock = entry.clock;
        if (!entry.counts || !live)
            return string(clock.text);
        var elapsed = now - arrivedAt;
        var ms = clock.down === false ? clock.ms + elapsed : clock.ms - elapsed;
        return readout(entry.kind, ms, clock.down === false);
    }

    function fill(now) {
        var flow = last !== null && last.gameFlow === true;
        document.documentElement.toggleAttribute('data-game-flow', flow);
        var flowOnly = document.querySelectorAll('[data-flow]');
        for (var j = 0; j < flowOnly.length; ++j) {
            if (flowOnly[j].hidden === flow)
                flowOnly[j].hidden = !flow;
        }
        var elements = document.querySelectorAll('[data-feed]');
        for (var i = 0; i < elements.length; ++i) {
            var name = elements[i].getAttribute('data-feed');
            var text = clocks[name] ? currentClockText(clocks[name], now) : textOf(last, name);
            show(elements[i], text);
            if (clocks[name])
                elements[i].classList.toggle('running', clocks[name].clock.running === true);
        }
    }

    function apply(message, arrival) {
        last = message;
        arrivedAt = arrival;
        clocks = clocksOf(message);
        applyColors(message.colors);
        fill(arrival);
        var took = performance.now() - arrival;
        stats.messages += 1;
        stats.lastApplyMs = took;
        stats.maxApplyMs = Math.max(stats.maxApplyMs, took);
        var root = document.documentElement;
        root.setAttribute('data-feed-messages', String(stats.messages));
        root.setAttribute('data-feed-apply-ms', took.toFixed(2));
        root.setAttribute('data-feed-max-apply-ms', stats.maxApplyMs.toFixed(2));
    }

    // ---- The connection ----------------------------------------------------------------------

    var live = false;
    var socket = null;
    var retryMs = 250;
    var staleAfterMs = 3000; // a running clock brings a message at least every second
    // The program sends something at least every 2 s, a keep-alive when nothing else: silence for
    // longer is a link that died without closing (a cable pulled, a network gone).
    var silentAfterMs = 5000;
    var heardAt = 0;         // performance.now() when anything last came

    function setState(state) {
        live = state === 'live';
        document.documentElement.setAttribute('data-feed-state', state);
        var banner = document.getElementById('feed-lost');
        if (banner)
            banner.hidden = live;
        // A lost feed leaves the clocks where they were counted to, greyed under the banner,
        // rather than taking them back to the last message's time.
        if (last && live)
            fill(performance.now());
        else
            unmarkRunning();
    }

    function unmarkRunning() {
        var running = document.querySelectorAll('[data-feed].running');
        for (var i = 0; i < running.length; ++i)
            running[i].classList.remove('running');
    }

    function connect() {
        var scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
        try {
            socket = new WebSocket(scheme + location.host + '/feed');
        } catch (e) {
            retry();
            return;
        }
        socket.onopen = function () {
            heardAt = performance.now();
            retryMs = 250;
            stats.connects += 1;
            document.documentElement.setAttribute('data-feed-connects', String(stats.connects));
        };
        socket.onmessage = function (event) {
            var arrival = performance.now();
            heardAt = arrival;
            var message;
            try {
                message = JSON.parse(event.data);
            } catch (e) {
                return;
            }
            // Only a bout has format 1; a keep-alive, or a message of a later kind, is passed over.
            if (message === null || typeof message !== 'object' || message.format !== 1) {
                if (message !== null && typeof message === 'object' && message.keepAlive === true)
                    document.documentElement.setAttribute('data-feed-keepalives',
                            String(++stats.keepAlives));
                return;
            }
            apply(message, arrival);
            if (!live)
                setState('live');
        };
        socket.onclose = function (event) {
            socket = null;
            document.documentElement.setAttribute('data-feed-closed', String(event.code));
            setState('lost');
            retry();
        };
        socket.onerror = function () {
            if (socket)
                socket.close();
        };
    }

    function retry() {
        setTimeout(connect, retryMs);
        retryMs = Math.min(retryMs * 2, 5000);
    }

    function anyRunning() {
        return Object.keys(clocks).some(function (name) { return clocks[name].clock.running === true; });
    }

    // A connection that went silent is let go without waiting for its closing handshake, which
    // over a dead link may take a minute, and a new one is tried at once.
    function drop() {
        var old = socket;
        socket = null;
        old.onopen = old.onmessage = old.onclose = old.onerror = null;
        old.close();
        setState('lost');
        retry();
    }

    function tick() {
        var now = performance.now();
        // A feed that went quiet while a clock runs, or went silent altogether, has stalled
        // somewhere between here and the program: its clocks are no longer the board's.
        if (socket && live && anyRunning() && now - arrivedAt > staleAfterMs)
            drop();
        else if (socket && socket.readyState === WebSocket.OPEN && now - heardAt > silentAfterMs)
            drop();
        if (live && last)
            fill(now);
    }

    window.CorvantaFeed = {
        readout: readout,
        stats: stats,
        start: function () {
            applyColors({});
            setState('connecting');
            var banner = document.getElementById('feed-lost');
            if (banner)
                banner.hidden = false;
            connect();
            // Clocks change at most ten times a second; a timer also runs in a hidden page, as a
            // video mixer's browser source may be.
            window.setInterval(tick, 50);
            window.addEventListener('resize', fitAll);
            // A place that narrows as other displays fill in beside it (a grid column) is
            // measured again too.
            if (window.ResizeObserver) {
                var widths = new WeakMap();
                var observer = new ResizeObserver(function (entries) {
                    for (var i = 0; i < entries.length; ++i) {
                        var element = entries[i].target;
                        var width = entries[i].contentRect.width;
                        if (widths.get(element) !== width) {
                            widths.set(element, width);
                            fit(element);
                        }
                    }
                });
                var fitted = document.querySelectorAll('[data-fit]');
                for (var j = 0; j < fitted.length; ++j)
                    observer.observe(fitted[j]);
            }
            if (document.fonts && document.fonts.ready)
                document.fonts.ready.then(fitAll);
        }
    };
})();
