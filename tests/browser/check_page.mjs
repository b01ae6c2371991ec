// Opens a page barrelburst-sim wrote (a report, or the page of a drop) in
// headless Chromium as a modder's browser opens it, from disk: it must reach
// ready without a console message or a request (but its worker's blob:
// address), with the INI it carries
// named, its fight played, and with --your-game the section of its log;
// a screenshot is left for a person to look at. Exits non-zero otherwise.
//
//   node tests/browser/check_page.mjs PAGE.html SCREENSHOT.png [--your-game]

import { TunerPage } from "./tuner_browser.mjs";

const [file, screenshot, yourGame] = process.argv.slice(2);
const tuner = await TunerPage.open({ file });
try {
  await tuner.page.waitForFunction(() => document.body.dataset.state === "ready", { timeout: 60000 });
  const fight = await tuner.fightDone();
  const shown = await tuner.page.evaluate(() => ({
    ini: document.getElementById("ini-name").textContent,
    yourGame: !document.getElementById("your-game").hidden,
    message: document.getElementById("message").textContent,
  }));
  await tuner.page.screenshot({ path: screenshot, fullPage: true });
  // The page's own addresses only: the file, and the blob: of its worker's script.
  const wrong = [...tuner.messages, ...tuner.requests.filter((r) => !r.startsWith("file:") && !r.startsWith("data:") &&
    !r.startsWith("blob:null/"))];
  if (fight.cells.length === 0) wrong.push("the fight shows no shot");
  if (yourGame === "--your-game" && !shown.yourGame) wrong.push("no section Your game");
  if (shown.message) wrong.push(`the page says: ${shown.message}`);
  console.log(`${file}: INI ${shown.ini}; fight ${fight.scenario} seed ${fight.seed}: ${fight.cells.join(", ")}`);
  if (wrong.length > 0) {
    console.error(wrong.join("\n"));
    process.exitCode = 1;
  }
} finally {
  await tuner.close();
}
