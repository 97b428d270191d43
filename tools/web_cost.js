// What the page costs at a few window sizes, in headless Chromium driven by playwright-core:
//     NODE_PATH=build/web-test/node_modules node tools/web_cost.js URL [WxH@RATIO ...]
// For each size: the main thread's busy share of one core over 5 s with nothing moving (CDP
// Performance.getMetrics TaskDuration), the passes per second while ArrowRight is held for 2 s (the player
// moves one unit a pass; it is found in the canvas by its blue, whatever the canvas's scale), the main
// thread's and the GPU process's shares of a core while it is held (the GPU process composites the page,
// in software under --disable-gpu: the scaled canvas is drawn there, not on the main thread), and the
// wasm memory at the end. Not a test: it reports figures for docs/performance.md.
'use strict';
const { chromium } = require('playwright-core');

const [url, ...sizes] = process.argv.slice(2);
const configs = (sizes.length ? sizes : ['1280x720@1', '1440x900@2', '1920x1080@2', '3840x2160@1', '2560x1440@2', '3840x2160@2'])
    .map((s) => s.match(/^(\d+)x(\d+)@([\d.]+)$/).slice(1).map(Number));

// The blue player's left edge in picture units: it is 12 units wide, whatever the canvas's scale.
function playerLeft() {
    const canvas = document.getElementById('canvas');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let left = Infinity, right = -1;
    for (let i = 0; i < data.length; i += 4)
        if (data[i] === 0 && data[i + 1] === 0 && data[i + 2] === 255) {
            const x = (i / 4) % canvas.width;
            left = Math.min(left, x);
            right = Math.max(right, x);
        }
    return right < 0 ? NaN : left / ((right - left + 1) / 12);
}

(async () => {
    const browser = await chromium.launch({
        executablePath: process.env.NOVRA_CHROMIUM || '/usr/bin/chromium',
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
    });
    const browserCdp = await browser.newBrowserCDPSession();
    const gpuSeconds = async () => (await browserCdp.send('SystemInfo.getProcessInfo')).processInfo
        .filter((p) => p.type === 'GPU').reduce((sum, p) => sum + p.cpuTime, 0);
    console.log('| window | passes per second | main thread, one core, nothing moving | main thread, moving | GPU process, moving | wasm memory |');
    console.log('|---|---:|---:|---:|---:|---:|');
    for (const [width, height, ratio] of configs) {
        const page = await browser.newPage({ viewport: { width, height }, deviceScaleFactor: ratio });
        const cdp = await page.context().newCDPSession(page);
        await cdp.send('Performance.enable');
        await page.goto(url);
        await page.waitForFunction(() => window.Module && Module._novra_heap_size &&
            document.getElementById('console').textContent.includes('NOVRA game debug mode'), null, { timeout: 30000 });
        await page.waitForTimeout(2000);
        const busy = async () => (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
        const busyStart = await busy(), wallStart = Date.now();
        await page.waitForTimeout(5000);
        const share = (await busy() - busyStart) / ((Date.now() - wallStart) / 1000);
        await page.focus('#canvas');
        const before = await page.evaluate(playerLeft);
        const busyHeld = await busy(), gpuHeld = await gpuSeconds();
        await page.keyboard.down('ArrowRight');
        const heldFrom = Date.now();
        await page.waitForTimeout(2000);
        await page.keyboard.up('ArrowRight');
        const held = (Date.now() - heldFrom) / 1000;
        const busyMoving = (await busy() - busyHeld) / held, gpuMoving = (await gpuSeconds() - gpuHeld) / held;
        await page.waitForTimeout(200);
        const moved = (await page.evaluate(playerLeft)) - before;
        const memory = await page.evaluate(() => Module._novra_heap_size());
        console.log(`| ${width} x ${height} at ${ratio}x | ${(moved / held).toFixed(1)} | ${(100 * share).toFixed(1)} % | ${(100 * busyMoving).toFixed(1)} % | ${(100 * gpuMoving).toFixed(1)} % | ${(memory / 1048576).toFixed(0)} MiB |`);
        await page.close();
    }
    await browser.close();
})();
