// The page end to end in headless Chromium, driven by playwright-core: node check.js URL OUT_DIR
// [SCREENSHOT]. Every check is read from the page itself (the canvas's pixels, the panel's text, the
// program's own heap figures) and reported on a line of its own; the exit status is the number of
// failed checks. The page's screenshot goes to OUT_DIR/page.png, and to SCREENSHOT when given.
'use strict';
const { chromium } = require('playwright-core');

const [url, outDir, screenshot] = process.argv.slice(2);
const heapSeconds = (process.env.NOVRA_WEB_HEAP_SECONDS || '5 20').split(/\s+/).map(Number);

let failures = 0;
function report(ok, name, detail) {
    console.log(`${ok ? 'PASS' : 'FAIL'}  ${name}${detail ? ': ' + detail : ''}`);
    if (!ok) failures++;
}

// The page's own view of the picture: the letterbox of the canvas's size by the program's rule, the
// colour of picture pixel (x, y) (row 0 at the bottom) where the letterbox puts it, the bars, and the
// blue box's place in picture coordinates.
function picture(points) {
    const canvas = document.getElementById('canvas');
    const w = canvas.width, h = canvas.height;
    let box;
    if (3 * w > 4 * h) {
        const dw = Math.trunc((256 * h) / 192);
        box = { x: Math.trunc((w - dw) / 2), y: 0, width: dw, height: h };
    } else {
        const dh = Math.trunc((192 * w) / 256);
        box = { x: 0, y: Math.trunc((h - dh) / 2), width: w, height: dh };
    }
    const data = canvas.getContext('2d').getImageData(0, 0, w, h).data;
    const colour = (cx, cy) => {
        const i = 4 * (cy * w + cx);
        const [r, g, b] = [data[i], data[i + 1], data[i + 2]];
        const names = { 'ff0000': 'red', 'ffff00': 'yellow', '0000ff': 'blue', '000000': 'black' };
        const hex = [r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('');
        return names[hex] || '#' + hex;
    };
    // The centre of picture pixel (x, y) on the canvas.
    const at = (x, y) => colour(box.x + Math.floor(((x + 0.5) * box.width) / 256),
                                box.y + Math.floor(((191 - y + 0.5) * box.height) / 192));
    const samples = {};
    for (const [x, y] of points) samples[`${x},${y}`] = at(x, y);
    const bars = [];
    if (box.x > 0) bars.push(colour(box.x - 1, h >> 1), colour(box.x + box.width, h >> 1));
    if (box.y > 0) bars.push(colour(w >> 1, box.y - 1), colour(w >> 1, box.y + box.height));
    // The blue box: its left and bottom edges back in picture units.
    let left = Infinity, bottom = -1;
    for (let cy = 0; cy < h; cy++)
        for (let cx = 0; cx < w; cx++)
            if (colour(cx, cy) === 'blue') { left = Math.min(left, cx); bottom = Math.max(bottom, cy); }
    const player = left === Infinity ? null : {
        x: Math.floor(((left - box.x + 0.5) * 256) / box.width),
        y: 191 - Math.floor(((bottom - box.y + 0.5) * 192) / box.height),
    };
    return { w, h, box, samples, bars, player };
}

// What the picture shows at a few points: the yellow box at (30, 30) 30 x 30 with the red around it,
// the 12 x 12 blue player at (px, py) with the red around it, the picture's corners red.
function expected(px, py) {
    return {
        '30,30': 'yellow', '59,59': 'yellow', '45,45': 'yellow', '29,45': 'red', '60,45': 'red',
        '45,29': 'red', '45,60': 'red', '0,0': 'red', '255,191': 'red',
        [`${px},${py}`]: 'blue', [`${px + 11},${py + 11}`]: 'blue', [`${px - 1},${py + 6}`]: 'red',
        [`${px + 12},${py + 6}`]: 'red', [`${px + 6},${py - 1}`]: 'red', [`${px + 6},${py + 12}`]: 'red',
    };
}
const look = (page, player) => {
    const wanted = expected(player.x, player.y);
    return page.evaluate(picture, Object.keys(wanted).map((k) => k.split(',').map(Number)));
};

function checkPicture(view, name, player) {
    const wanted = expected(player.x, player.y);
    const wrong = Object.entries(wanted).filter(([k, v]) => view.samples[k] !== v)
        .map(([k, v]) => `(${k}) ${view.samples[k]}, not ${v}`);
    report(wrong.length === 0,
        `${name}: picture in the letterbox ${JSON.stringify(view.box)} of the ${view.w} x ${view.h} canvas`,
        wrong.join('; '));
    const bars = view.bars.filter((c) => c !== 'black');
    report(view.bars.length === 2 && bars.length === 0, `${name}: black bars either side`, view.bars.join(' '));
}

const canvasSize = () => {
    const c = document.getElementById('canvas');
    return `${c.width} x ${c.height}`;
};
const panelRows = () => document.getElementById('console').textContent.split('\n').map((r) => r.trimEnd());
const panelRow = (n) => (document.getElementById('console').textContent.split('\n')[n] || '').trimEnd();
// The cursor's row and column in panel cells (a wide glyph's box counts two).
const panelCursor = () => {
    const cursor = document.querySelector('#console .cursor');
    if (!cursor) return null;
    const range = document.createRange();
    range.setStart(document.getElementById('console'), 0);
    range.setEndBefore(cursor);
    const before = range.cloneContents();
    const text = [...before.childNodes].map((n) => n.textContent).join('');
    return { row: text.split('\n').length - 1 };
};

(async () => {
    const browser = await chromium.launch({
        executablePath: process.env.NOVRA_CHROMIUM || '/usr/bin/chromium',
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    const page = await browser.newPage({ viewport: { width: 1280, height: 720 }, deviceScaleFactor: 1 });
    const errors = [];
    page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
    page.on('pageerror', (e) => errors.push(e.message));
    try {
        await page.goto(url);
        const loaded = Date.now();
        await page.waitForFunction(() => window.Module && Module._novra_heap_in_use &&
            document.getElementById('console').textContent.includes('NOVRA game debug mode'), null, { timeout: 20000 });

        const rows = await page.evaluate(panelRows);
        report(rows[0] === 'NOVRA debug console v0.1a' && rows[1] === 'NOVRA game debug mode',
            'console: banner and the game\'s first line on rows 0 and 1', JSON.stringify(rows.slice(0, 2)));
        report(rows.length === 25 && (await page.evaluate(() =>
            document.getElementById('console-title').textContent)) === 'NOVRA DEBUG CONSOLE',
            'console: 25 rows under the title "NOVRA DEBUG CONSOLE"');
        report((await page.evaluate(() => document.title)) === 'NOVRA', 'the page has the window\'s title "NOVRA"');
        const start = { x: 60, y: 60 };
        checkPicture(await look(page, start), 'at 1280 x 720', start);

        // Memory, over a steady stretch with no input: nothing allocated per frame, and nothing leaks.
        const heap = () => page.evaluate(() => ({ used: Module._novra_heap_in_use(), size: Module._novra_heap_size() }));
        await page.waitForTimeout(Math.max(0, heapSeconds[0] * 1000 - (Date.now() - loaded)));
        const early = await heap();
        await page.waitForTimeout(Math.max(0, heapSeconds[1] * 1000 - (Date.now() - loaded)));
        const late = await heap();
        const heapLine = `in use ${early.used} then ${late.used} bytes; memory ${early.size} then ${late.size} bytes`;
        console.log(`heap after ${heapSeconds[0]} s and ${heapSeconds[1]} s: ${heapLine}`);
        report(early.used === late.used && early.size === late.size,
            `heap after ${heapSeconds[0]} s equals heap after ${heapSeconds[1]} s`, heapLine);

        // The arrow held for one second over the canvas moves the player 60 units at 60 passes a second.
        await page.click('#canvas');
        const before = (await look(page, start)).player;
        await page.keyboard.down('ArrowRight');
        await page.waitForTimeout(1000);
        await page.keyboard.up('ArrowRight');
        await page.waitForTimeout(200);
        const after = (await look(page, start)).player;
        const moved = after && before ? after.x - before.x : NaN;
        report(before && before.x === 60 && before.y === 60 && moved >= 40 && moved <= 80 && after.y === 60,
            'ArrowRight held 1 s moves the player 40 to 80 units right, not up',
            `from ${JSON.stringify(before)} to ${JSON.stringify(after)}`);
        report((await page.evaluate(() => document.scrollingElement.scrollTop + document.scrollingElement.scrollLeft)) === 0,
            'the arrow keys do not scroll the page');

        // Focus leaving the canvas clears the keys: a key still held stops moving the player.
        await page.keyboard.down('ArrowRight');
        await page.waitForTimeout(300);
        await page.click('#console');
        await page.waitForTimeout(100);
        const left = (await look(page, start)).player;
        await page.waitForTimeout(500);
        const still = (await look(page, start)).player;
        await page.keyboard.up('ArrowRight');
        report(left && still && left.x > after.x && still.x === left.x,
            'focus leaving the canvas stops a held key', `${JSON.stringify(left)} then ${JSON.stringify(still)}`);

        // Typing into the panel edits the input line as in the terminal.
        const row = (n) => page.evaluate(panelRow, n);
        const waitRow = (n, text) => page.waitForFunction(([n, text]) =>
            (document.getElementById('console').textContent.split('\n')[n] || '').trimEnd() === text, [n, text],
            { timeout: 3000 }).then(() => true, () => false);
        await page.keyboard.type('hello');
        report(await waitRow(2, 'hello'), 'typed "hello" reads on row 2', await row(2));
        await page.keyboard.press('Backspace');
        report(await waitRow(2, 'hell'), 'Backspace leaves "hell"', await row(2));
        await page.keyboard.press('Enter');
        await page.waitForTimeout(200);
        const cursor = await page.evaluate(panelCursor);
        report((await row(2)) === 'hell' && cursor && cursor.row > 2,
            'Enter keeps "hell" on row 2 and moves the line on', `${await row(2)}, cursor ${JSON.stringify(cursor)}`);
        // The page as a user sees it now (docs/web.png).
        await page.screenshot({ path: `${outDir}/page.png`, animations: 'disabled' });
        if (screenshot) await page.screenshot({ path: screenshot, animations: 'disabled' });

        // A full-width character takes two columns and a control character shows as a glyph.
        await page.keyboard.type('ok');
        // A key that types a character no US key has, as a keyboard layout or an input method gives it.
        const cdp = await page.context().newCDPSession(page);
        await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key: '\u6f22', text: '\u6f22' });
        await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key: '\u6f22' });
        await page.keyboard.press('Control+G');
        await page.keyboard.type('!');
        const typedRow = cursor ? cursor.row : 3;
        report(await waitRow(typedRow, 'ok\u6f22\u2022!'), 'a wide character and Ctrl+G show as "ok\u6f22\u2022!"',
            await row(typedRow));
        const wide = await page.evaluate(() => {
            const glyph = [...document.querySelectorAll('#console .w')].find((e) => e.textContent === '\u6f22');
            const cell = document.querySelector('#console .n');
            return glyph && cell ? glyph.getBoundingClientRect().width / cell.getBoundingClientRect().width : 0;
        });
        report(Math.abs(wide - 2) < 0.01, 'the wide character is two cells wide', `ratio ${wide}`);
        const after2 = await page.evaluate(panelCursor);
        report(after2 && after2.row === typedRow, 'the cursor stays on the typed line', JSON.stringify(after2));
        await page.keyboard.press('Enter');
        await page.waitForTimeout(200);


        // Resizing the viewport reaches the window, and the picture is letterboxed anew.
        const player = still || start;
        for (const [w, h] of [[1600, 480], [1400, 1000], [800, 1000]]) {
            const old = await page.evaluate(canvasSize);
            await page.setViewportSize({ width: w, height: h });
            await page.waitForFunction((old) => {
                const c = document.getElementById('canvas');
                return `${c.width} x ${c.height}` !== old;
            }, old, { timeout: 3000 }).catch(() => {});
            await page.waitForTimeout(200);
            checkPicture(await look(page, player), `after resizing to ${w} x ${h}`, player);
        }

        // The console's commands work here too: one moves the player, one ends the program as closing
        // the window does, and the page says so.
        await page.click('#console');
        await page.keyboard.type('tp 100 100');
        await page.keyboard.press('Enter');
        const replied = await page.waitForFunction(() => document.getElementById('console').textContent
            .split('\n').some((r) => r.trimEnd() === 'player at 100 100'), null, { timeout: 3000 })
            .then(() => true, () => false);
        report(replied, 'the command "tp 100 100" answers "player at 100 100"');
        await page.waitForTimeout(200);
        const teleported = { x: 100, y: 100 };
        checkPicture(await look(page, teleported), 'after "tp 100 100"', teleported);
        const answered = (line) => page.waitForFunction((l) => document.getElementById('console').textContent
            .split('\n').some((r) => r.trimEnd() === l), line, { timeout: 5000 }).then(() => true, () => false);
        await page.keyboard.type('save level one.txt');
        await page.keyboard.press('Enter');
        report(await answered('saved the player and 1 box to level one.txt'),
            'the command "save level one.txt" answers that it saved the player and 1 box');
        await page.waitForTimeout(500);  // the page's storage is written back after the save
        await page.keyboard.type('quit');
        await page.keyboard.press('Enter');
        const ended = await page.waitForFunction(() => document.body.classList.contains('ended'), null,
            { timeout: 3000 }).then(() => true, () => false);
        const bye = await page.evaluate(() => document.getElementById('console').textContent
            .split('\n').some((r) => r.trimEnd() === 'bye'));
        report(ended && bye, 'the command "quit" answers "bye" and ends the program; the page says so');

        // The saved world outlives the page: reloaded with ?world=NAME, the program starts in it.
        await page.goto(url + '?world=level%20one.txt');
        const reloaded = await answered('loaded the player and 1 box from level one.txt');
        report(reloaded, 'reloaded with "?world=level one.txt", the page starts with the saved world');
        await page.waitForTimeout(200);
        checkPicture(await look(page, teleported), 'after the reload', teleported);

        report(errors.length === 0, 'no error on the page\'s console', errors.join(' | '));
    } catch (error) {
        report(false, 'the checks ran to the end', error.message);
    }
    await browser.close();
    process.exit(Math.min(failures, 70));  // 77 is the runner's "cannot run here"
})();
