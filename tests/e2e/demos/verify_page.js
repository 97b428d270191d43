// node verify_page.js URL: opens the page (URL with ?verify=NAME) in headless Chromium and prints the
// demo's result line once the page shows it as its title, checking that the console panel shows the
// same line. Exit status 0 when both show it, 1 otherwise.
'use strict';
const { chromium } = require('playwright-core');

(async () => {
    const browser = await chromium.launch({ executablePath: process.env.NOVRA_CHROMIUM || '/usr/bin/chromium' });
    let status = 1;
    try {
        const page = await browser.newPage();
        await page.goto(process.argv[2]);
        await page.waitForFunction(() => /(matched|differs|verify: .*)$/.test(document.title), null, { timeout: 90000 });
        const title = await page.title();
        const panel = await page.evaluate(() => document.getElementById('console').innerText);
        console.log(title);
        status = panel.split('\n').some((row) => row.trimEnd() === title) ? 0 : 1;
        if (status !== 0) console.log(`the console panel lacks the line; it shows:\n${panel}`);
    } catch (error) {
        console.log(`no result: ${error.message.split('\n')[0]}`);
    } finally {
        await browser.close();
    }
    process.exit(status);
})();
