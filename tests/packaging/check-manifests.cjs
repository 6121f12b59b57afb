// Reads winget's manifests for one version as winget reads them (YAML) and checks what the
// community repository requires of each kind at manifest version 1.12.0, that both installers are
// there for x64 and per machine with their silent switches, that the MSI's product code is the one
// built, and that every hash (the manifests' and SHA256SUMS) is the hash of the file built.
//   node check-manifests.cjs <winget/<version> folder> <release folder> <MSI product code>
// (js-yaml is found through NODE_PATH.)
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const crypto = require('node:crypto');
const yaml = require('js-yaml');

const [folder, release, productCode] = process.argv.slice(2);
const version = path.basename(folder);
const id = 'Norvane.Lullgate';
let passed = 0;
let failed = 0;
function check(what, ok) {
    if (ok) {
        passed++;
    } else {
        failed++;
        console.log(`FAILED: ${what}`);
    }
}
function sha256(file) {
    return crypto.createHash('sha256').update(fs.readFileSync(path.join(release, file))).digest('hex').toUpperCase();
}
const text = (value, min, max) => typeof value === 'string' && value.length >= min && value.length <= max;

const names = [`${id}.yaml`, `${id}.installer.yaml`, `${id}.locale.en-US.yaml`, `${id}.locale.zh-CN.yaml`];
check(`the folder holds exactly ${names.join(', ')}`,
      JSON.stringify(fs.readdirSync(folder).sort()) === JSON.stringify([...names].sort()));
const [versionManifest, installer, defaultLocale, zhLocale] =
    names.map((name) => yaml.load(fs.readFileSync(path.join(folder, name), 'utf8')));
const types = ['version', 'installer', 'defaultLocale', 'locale'];
[versionManifest, installer, defaultLocale, zhLocale].forEach((manifest, i) => {
    check(`${names[i]}: ManifestType ${types[i]}`, manifest.ManifestType === types[i]);
    check(`${names[i]}: ManifestVersion 1.12.0`, manifest.ManifestVersion === '1.12.0');
    check(`${names[i]}: PackageIdentifier ${id}`, manifest.PackageIdentifier === id);
    check(`${names[i]}: PackageVersion ${version}`, manifest.PackageVersion === version);
});
check('DefaultLocale names the default locale manifest',
      versionManifest.DefaultLocale === 'en-US' && defaultLocale.PackageLocale === 'en-US');
check('the default locale has its required fields',
      text(defaultLocale.Publisher, 2, 256) && text(defaultLocale.PackageName, 2, 256) &&
          text(defaultLocale.License, 3, 512) && text(defaultLocale.ShortDescription, 3, 256));
check('the zh-CN locale is zh-CN, in Chinese',
      zhLocale.PackageLocale === 'zh-CN' && /[\u4e00-\u9fff]/.test(zhLocale.ShortDescription || ''));

const installers = installer.Installers || [];
for (const type of ['nullsoft', 'wix']) {
    const matching = installers.filter((entry) => entry.InstallerType === type);
    check(`one ${type} installer`, matching.length === 1);
    const entry = matching[0] || {};
    const file = decodeURIComponent(path.basename(entry.InstallerUrl || ''));
    check(`${type}: x64, per machine`, entry.Architecture === 'x64' && (entry.Scope || installer.Scope) === 'machine');
    check(`${type}: an https download URL`, /^https:\/\/.+/.test(entry.InstallerUrl || ''));
    check(`${type}: the URL names a built file (${file})`, fs.existsSync(path.join(release, file)));
    check(`${type}: InstallerSha256 is the file's`,
          fs.existsSync(path.join(release, file)) && entry.InstallerSha256 === sha256(file));
    check(`${type}: silent switches`, Boolean(entry.InstallerSwitches && entry.InstallerSwitches.Silent));
}
const wix = installers.find((entry) => entry.InstallerType === 'wix') || {};
check(`the MSI's ProductCode ${productCode}`, wix.ProductCode === productCode);

const sums = fs.readFileSync(path.join(release, 'SHA256SUMS'), 'utf8').trim().split('\n');
check('SHA256SUMS lists both installers', sums.length === 2);
for (const line of sums) {
    const [hash, file] = line.split(/\s+\*?/);
    check(`SHA256SUMS: ${file}`, fs.existsSync(path.join(release, file)) && hash.toUpperCase() === sha256(file));
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed > 0 ? 1 : 0);
