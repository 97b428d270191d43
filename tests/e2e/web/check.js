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

// The page's own view of the picture: the window's area (#game) in device pixels, the letterbox of that
// size by the program's rule, where the canvas lies on the area (device pixels), the colour of picture
// pixel (x, y) (row 0 at the bottom) in the canvas, the bars' colour, and the blue box's place in
// picture coordinates.
function picture(points) {
    const game = document.getElementById('game'), canvas = document.getElementById('canvas');
    const ratio = window.devicePixelRatio, area = game.getBoundingClientRect(), rect = canvas.getBoundingClientRect();
    const w = Math.round(area.width * ratio), h = Math.round(area.height * ratio);
    let box;
    if (3 * w > 4 * h) {
        const dw = Math.trunc((256 * h) / 192);
        box = { x: Math.trunc((w - dw) / 2), y: 0, width: dw, height: h };
    } else {
        const dh = Math.trunc((192 * w) / 256);
        box = { x: 0, y: Math.trunc((h - dh) / 2), width: w, height: dh };
    }
    const round = (v) => Math.round(v * 100) / 100;
    const placed = { x: round((rect.left - area.left) * ratio), y: round((rect.top - area.top) * ratio),
        width: round(rect.width * ratio), height: round(rect.height * ratio) };
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const names = { 'ff0000': 'red', 'ffff00': 'yellow', '0000ff': 'blue', '000000': 'black' };
    const name = (r, g, b) => {
        const hex = [r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('');
        return names[hex] || '#' + hex;
    };
    const colour = (x, y) => {
        const i = 4 * ((191 - y) * canvas.width + x);
        return name(data[i], data[i + 1], data[i + 2]);
    };
    const samples = {};
    for (const [x, y] of points) samples[`${x},${y}`] = colour(x, y);
    const bars = getComputedStyle(game).backgroundColor === 'rgb(0, 0, 0)' ? 'black' : getComputedStyle(game).backgroundColor;
    let left = Infinity, bottom = Infinity;
    for (let y = 0; y < 192; y++)
        for (let x = 0; x < 256; x++)
            if (colour(x, y) === 'blue') { left = Math.min(left, x); bottom = Math.min(bottom, y); }
    const player = left === Infinity ? null : { x: left, y: bottom };
    return { w, h, box, placed, size: `${canvas.width} x ${canvas.height}`, samples, bars, player };
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
    report(wrong.length === 0 && view.size === '256 x 192', `${name}: the 256 x 192 picture`,
        wrong.concat(view.size).join('; '));
    report(JSON.stringify(view.placed) === JSON.stringify(view.box),
        `${name}: the picture covers the letterbox ${JSON.stringify(view.box)} of the ${view.w} x ${view.h} area`,
        `it covers ${JSON.stringify(view.placed)}`);
    report(view.bars === 'black', `${name}: black bars`, view.bars);
}

const canvasSize = () => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    return `${r.left} ${r.top} ${r.width} x ${r.height}`;
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

const started = (page) => page.waitForFunction(() => window.Module && Module._novra_heap_in_use &&
    document.getElementById('console').textContent.includes('NOVRA game debug mode'), null, { timeout: 20000 });

// A screenshot in device pixels, read back in the page: how many pixels of the letterbox are not one of
// the picture's own colours (a blended edge or column), and the colours just outside it.
async function deviceView(page) {
    const png = (await page.screenshot({ scale: 'device' })).toString('base64');
    return page.evaluate(async (png) => {
        const bytes = Uint8Array.from(atob(png), (c) => c.charCodeAt(0));
        const image = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
        const shot = new OffscreenCanvas(image.width, image.height).getContext('2d');
        shot.drawImage(image, 0, 0);
        const data = shot.getImageData(0, 0, image.width, image.height).data;
        const r = window.devicePixelRatio, rect = document.getElementById('canvas').getBoundingClientRect();
        const x0 = Math.round(rect.left * r), y0 = Math.round(rect.top * r);
        const x1 = Math.round(rect.right * r), y1 = Math.round(rect.bottom * r);
        const at = (x, y) => {
            const i = 4 * (y * image.width + x);
            return [data[i], data[i + 1], data[i + 2]].map((v) => v.toString(16).padStart(2, '0')).join('');
        };
        let foreign = 0, example = '';
        for (let y = y0; y < y1; y++)
            for (let x = x0; x < x1; x++) {
                const c = at(x, y);
                if (c !== 'ff0000' && c !== 'ffff00' && c !== '0000ff') { foreign++; example = example || `${c} at ${x},${y}`; }
            }
        const area = document.getElementById('game').getBoundingClientRect();
        const outside = Math.round(area.left * r) < x0 ? [at(x0 - 1, (y0 + y1) >> 1), at(x1, (y0 + y1) >> 1)]
                                                       : [at((x0 + x1) >> 1, y0 - 1), at((x0 + x1) >> 1, y1)];
        return { box: [x0, y0, x1 - x0, y1 - y0], foreign, example, outside };
    }, png);
}

(async () => {
    const browser = await chromium.launch({
        executablePath: process.env.NOVRA_CHROMIUM || '/usr/bin/chromium',
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--force-color-profile=srgb'],
    });
    const page = await browser.newPage({ viewport: { width: 1280, height: 720 }, deviceScaleFactor: 1 });
    const errors = [];
    page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
    page.on('pageerror', (e) => errors.push(e.message));
    try {
        await page.goto(url);
        const loaded = Date.now();
        await started(page);

        const rows = await page.evaluate(panelRows);
        report(rows[0] === 'NOVRA debug console v0.1a' && rows[1] === 'NOVRA game debug mode',
            'console: banner and the game\'s first line on rows 0 and 1', JSON.stringify(rows.slice(0, 2)));
        report(rows.length === 25 && (await page.evaluate(() =>
            document.getElementById('console-title').textContent)) === 'NOVRA DEBUG CONSOLE',
            'console: 25 rows under the title "NOVRA DEBUG CONSOLE"');
        report((await page.evaluate(() => document.title)) === 'NOVRA', 'the page has the window\'s title "NOVRA"');
        report(await page.evaluate(() => window.crossOriginIsolated),
            'the server makes the page cross-origin isolated, so its clock is not rounded to 100 us');
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
        // The line edits in the panel as in the terminal: a typo mended with Left and Backspace, then the
        // line recalled with Up.
        const count = () => page.evaluate(() => document.getElementById('console').textContent.split('\n')
            .filter((r) => r.trimEnd() === 'player at 100 100').length);
        const answersAtLeast = (n) => page.waitForFunction((k) => document.getElementById('console').textContent
            .split('\n').filter((r) => r.trimEnd() === 'player at 100 100').length >= k, n, { timeout: 5000 })
            .then(() => true, () => false);
        const answers = await count();  // "tp 100 100" already answered so
        await page.keyboard.type('pxs');
        await page.keyboard.press('ArrowLeft');
        await page.keyboard.press('Backspace');
        await page.keyboard.type('o');
        await page.keyboard.press('Enter');
        const mended = await answersAtLeast(answers + 1);
        await page.keyboard.press('ArrowUp');
        await page.keyboard.press('Enter');
        const recalled = await answersAtLeast(answers + 2);
        report(mended && recalled && (await count()) === answers + 2,
            '"pxs", Left, Backspace, "o", Enter runs "pos"; Up, Enter runs it again');
        await page.keyboard.type('save level one.txt');
        await page.keyboard.press('Enter');
        report(await answered('saved the player and 1 box to level one.txt'),
            'the command "save level one.txt" answers that it saved the player and 1 box');
        await page.waitForTimeout(500);  // the page's storage is written back after the save
        // The browser's own shortcuts stay the browser's over the panel: Ctrl+R is not prevented.
        const ctrlR = await page.evaluate(() => document.getElementById('console').dispatchEvent(new KeyboardEvent('keydown',
            { key: 'r', code: 'KeyR', ctrlKey: true, bubbles: true, cancelable: true })));
        report(ctrlR, 'Ctrl+R over the panel is left to the browser (not prevented)');
        // A paste of two lines runs both commands, in order.
        await page.evaluate(() => {
            const data = new DataTransfer();
            data.setData('text/plain', 'tp 70 70\nboxes\n');
            document.getElementById('console').dispatchEvent(new ClipboardEvent('paste',
                { clipboardData: data, bubbles: true, cancelable: true }));
        });
        const pasted = await page.waitForFunction(() => {
            const rows = document.getElementById('console').textContent.split('\n').map((r) => r.trimEnd());
            const tp = rows.indexOf('player at 70 70');
            return tp >= 0 && rows.indexOf('box 1 at 30 30 30 30', tp) > tp;
        }, null, { timeout: 3000 }).then(() => true, () => false);
        report(pasted, 'a paste of "tp 70 70" and "boxes" on two lines runs both, in order');
        // Text that comes without keys reaches the panel clicked into, as an on-screen keyboard or a
        // dictation gives it: typed once (neither lost nor typed again as the field's own input).
        const answeredOnce = (line) => page.waitForFunction((l) => document.getElementById('console').textContent
            .split('\n').filter((r) => r.trimEnd() === l).length === 1, line, { timeout: 3000 })
            .then(() => true, () => false);
        await page.click('#console');
        await page.keyboard.insertText('tp 80 80');
        await page.keyboard.press('Enter');
        report(await answeredOnce('player at 80 80'), 'text inserted without keys into the clicked panel runs as typed',
            `focus on ${await page.evaluate(() => document.activeElement.id)}`);
        // An input method's composition: each key it takes comes as keyCode 229 with its letter, as on a
        // Mac; the text shows as composed and is typed once, when committed, not key by key as well.
        const composed = 'tp 60 80';
        for (let i = 0; i < composed.length; i++) {
            const key = composed[i];
            await cdp.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', key, windowsVirtualKeyCode: 229 });
            await cdp.send('Input.imeSetComposition', { text: composed.slice(0, i + 1), selectionStart: i + 1,
                selectionEnd: i + 1 });
            await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key, windowsVirtualKeyCode: 229 });
        }
        await cdp.send('Input.insertText', { text: composed });
        await page.keyboard.press('Enter');
        report(await answeredOnce('player at 60 80'), 'an input method\'s composed text is typed once, when committed',
            await page.evaluate(() => document.getElementById('console').textContent.split('\n')
                .map((r) => r.trimEnd()).filter((r) => r.includes('60 80')).join(' | ')));
        // Text selected in the panel with the mouse keeps the panel's focus and the selection, so that
        // Ctrl+C copies it; a plain click gives the text field the focus again.
        const panelBox = await page.locator('#console').boundingBox();
        await page.mouse.move(panelBox.x + 6, panelBox.y + 8);
        await page.mouse.down();
        await page.mouse.move(panelBox.x + 150, panelBox.y + 8, { steps: 5 });
        await page.mouse.up();
        const selected = await page.evaluate(() => `${document.activeElement.id}: ${getSelection()}`);
        await page.click('#console');
        const clicked = await page.evaluate(() => document.activeElement.id);
        report(selected.startsWith('console: NOVRA debug') && clicked === 'console-input',
            'a selection made in the panel keeps the focus there; a click gives it to the text field',
            `${selected}, then ${clicked}`);
        await page.keyboard.type('quit');
        await page.keyboard.press('Enter');
        const ended = await page.waitForFunction(() => document.body.classList.contains('ended'), null,
            { timeout: 3000 }).then(() => true, () => false);
        const bye = await page.evaluate(() => document.getElementById('console').textContent
            .split('\n').some((r) => r.trimEnd() === 'bye'));
        report(ended && bye, 'the command "quit" answers "bye" and ends the program; the page says so');
        const cursorLeft = await page.evaluate(() => {
            const cursor = document.querySelector('#console .cursor');
            return cursor ? getComputedStyle(cursor).backgroundColor : 'none';
        });
        report(['none', 'rgba(0, 0, 0, 0)'].includes(cursorLeft), 'after quit the console shows no cursor', cursorLeft);
        await page.click('#again');
        const again = await page.waitForFunction(() => document.body.classList.contains('running') &&
            document.getElementById('console').textContent.split('\n')[1].trimEnd() === 'NOVRA game debug mode',
            null, { timeout: 5000 }).then(() => true, () => false);
        await page.waitForTimeout(300);
        const restarted = (await look(page, start)).player;
        report(again && restarted && restarted.x === 60 && restarted.y === 60,
            '"Start again" after quit starts the program afresh without a reload', JSON.stringify(restarted));

        // At fractional device pixel ratios each picture pixel is a block of whole device pixels: no
        // column or edge blended with its neighbour or the bars.
        for (const ratio of [1.25, 1.75]) {
            const scaled = await browser.newPage({ viewport: { width: 1001, height: 703 }, deviceScaleFactor: ratio });
            await scaled.goto(url);
            await started(scaled);
            await scaled.evaluate(() => document.activeElement.blur());  // no focus ring on the bars
            await scaled.waitForTimeout(300);
            const view = await deviceView(scaled);
            report(view.foreign === 0 && view.outside.every((c) => c === '000000'),
                `at ${ratio}x every device pixel of the letterbox ${JSON.stringify(view.box)} is the picture's own, the bars black`,
                `${view.foreign} other pixels (${view.example}); outside ${view.outside.join(' ')}`);
            await scaled.close();
        }

        // A large window at 2x keeps 60 passes a second: held for 2 s, ArrowRight moves the player about
        // 120 units, one a pass.
        const large = await browser.newPage({ viewport: { width: 2560, height: 1440 }, deviceScaleFactor: 2 });
        await large.goto(url);
        await started(large);
        await large.waitForTimeout(1000);
        await large.focus('#canvas');
        const from = (await look(large, start)).player;
        await large.keyboard.down('ArrowRight');
        const heldFrom = Date.now();
        await large.waitForTimeout(2000);
        await large.keyboard.up('ArrowRight');
        const held = (Date.now() - heldFrom) / 1000;
        await large.waitForTimeout(200);
        const to = (await look(large, start)).player;
        const rate = from && to ? (to.x - from.x) / held : NaN;
        report(rate >= 50, 'at 2560 x 1440 at 2x the program keeps 60 passes a second (50 or more measured)',
            `${rate.toFixed(1)} passes a second`);
        await large.close();

        // The page says what it is doing: loading, and why it cannot start.
        const slow = await browser.newPage();
        await slow.route('**/novra.wasm', (route) => setTimeout(() => route.continue(), 1500));
        await slow.goto(url);
        const loadingText = await slow.evaluate(() => getComputedStyle(document.getElementById('status')).display !== 'none' &&
            document.getElementById('status').textContent);
        await started(slow);
        const loadingGone = await slow.evaluate(() => getComputedStyle(document.getElementById('status')).display === 'none');
        report(loadingText === 'Loading...' && loadingGone, 'the page says "Loading..." until the program starts',
            String(loadingText));
        await slow.close();
        const broken = await browser.newPage();
        await broken.route('**/novra.wasm', (route) => route.fulfill({ status: 404, body: 'gone' }));
        await broken.goto(url);
        const failed = await broken.waitForFunction(() => {
            const s = document.getElementById('status');
            return getComputedStyle(s).display !== 'none' && s.textContent.startsWith('NOVRA could not start') && s.textContent;
        }, null, { timeout: 10000 }).then((h) => h.jsonValue(), () => '');
        report(failed !== '', 'a .wasm that cannot be fetched: the page says NOVRA could not start, and why', failed.replace(/\n/g, ' '));
        await broken.close();
        const fromFile = await browser.newPage();
        await fromFile.goto('file://' + process.env.NOVRA_WEB_BUILD + '/novra.html');
        const fileText = await fromFile.evaluate(() => document.getElementById('status').textContent);
        report(fileText.includes('./dev web --serve') && fileText.includes('http://localhost:8000/novra.html'),
            'opened from a file, the page says it needs a server and how to start one', fileText);
        await fromFile.close();

        // Every screen: the picture at least half the smaller side, and 256 x 192 CSS pixels at 800 x 600.
        for (const [w, h] of [[320, 240], [844, 390], [390, 844], [800, 600]]) {
            const small = await browser.newPage({ viewport: { width: w, height: h } });
            await small.goto(url);
            await started(small);
            await small.waitForTimeout(300);
            const r = await small.evaluate(() => {
                const b = document.getElementById('canvas').getBoundingClientRect();
                const help = document.getElementById('help');
                help.scrollIntoView();
                const hb = help.getBoundingClientRect();
                return { width: b.width, height: b.height, helpVisible: hb.top < innerHeight && hb.bottom > 0 };
            });
            const least = Math.min(w, h) / 2;
            const ok = r.height >= least && (w !== 800 || (r.width >= 256 && r.height >= 192)) && r.helpVisible;
            report(ok, `at ${w} x ${h} the picture is at least ${least} high${w === 800 ? ' and 256 x 192' : ''}, the help reachable`,
                `${r.width} x ${r.height}, help ${r.helpVisible ? 'reachable' : 'hidden'}`);
            await small.close();
        }

        // A phone: a tap on the right arrow button moves the player.
        const phone = await browser.newPage({ viewport: { width: 844, height: 390 }, hasTouch: true, isMobile: true });
        await phone.goto(url);
        await started(phone);
        await phone.waitForTimeout(300);
        const labels = await phone.evaluate(() => [...document.querySelectorAll('#touch button')].map((b) => b.getAttribute('aria-label')));
        const tapFrom = (await look(phone, start)).player;
        await phone.tap('#touch button[aria-label="Right"]');
        await phone.waitForTimeout(300);
        const tapTo = (await look(phone, start)).player;
        report(JSON.stringify(labels) === '["Left","Right","Up","Down"]' && tapFrom && tapTo && tapTo.x > tapFrom.x && tapTo.y === tapFrom.y,
            'on a touch screen a tap on the "Right" arrow button moves the player right',
            `${JSON.stringify(labels)}: ${JSON.stringify(tapFrom)} to ${JSON.stringify(tapTo)}`);
        // Tapping the console focuses a text field (the device's keyboard comes up); text it gets without
        // keys, as a touch keyboard or an input method gives it, is typed into the console.
        await phone.tap('#console-input');
        const field = await phone.evaluate(() => document.activeElement.id);
        const phoneCdp = await phone.context().newCDPSession(phone);
        await phoneCdp.send('Input.insertText', { text: 'tp 90 90' });
        await phone.keyboard.press('Enter');
        const typedByField = await phone.waitForFunction(() => document.getElementById('console').textContent
            .split('\n').some((r) => r.trimEnd() === 'player at 90 90'), null, { timeout: 3000 }).then(() => true, () => false);
        report(field === 'console-input' && typedByField,
            'on a touch screen a tap on the console focuses its text field, and text inserted there runs as typed',
            `focus on ${field}`);
        await phone.close();

        // The saved world outlives the page: reloaded with ?world=NAME, the program starts in it.
        await page.goto(url + '?world=level%20one.txt');
        const reloaded = await answered('loaded the player and 1 box from level one.txt');
        report(reloaded, 'reloaded with "?world=level one.txt", the page starts with the saved world',
            await page.evaluate(() => document.getElementById('console').textContent.split('\n').map((r) => r.trimEnd()).filter((r) => r).join(' | ')));
        await page.waitForTimeout(200);
        checkPicture(await look(page, teleported), 'after the reload', teleported);

        report(errors.length === 0, 'no error on the page\'s console', errors.join(' | '));
    } catch (error) {
        report(false, 'the checks ran to the end', error.message);
    }
    await browser.close();
    process.exit(Math.min(failures, 70));  // 77 is the runner's "cannot run here"
})();
