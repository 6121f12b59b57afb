# Drives the installed lullgate-cli as an administrator's script would (the runner is elevated):
# status as JSON, a pause of 36 days, the seven values Windows Update reads, a resume, and the
# install folder's owner and access list, which Wine can't show.
$ErrorActionPreference = 'Stop'
$folder = "$env:ProgramFiles\Lullgate"
$cli = "$folder\lullgate-cli.exe"
$settings = 'HKLM:\SOFTWARE\Microsoft\WindowsUpdate\UX\Settings'
$starts = 'PauseFeatureUpdatesStartTime', 'PauseQualityUpdatesStartTime', 'PauseUpdatesStartTime'
$ends = 'PauseFeatureUpdatesEndTime', 'PauseQualityUpdatesEndTime', 'PauseUpdatesExpiryTime'

$status = & $cli status --json | ConvertFrom-Json
if ($LASTEXITCODE -ne 0) { throw "status ended with $LASTEXITCODE" }
"status: paused=$($status.paused) windows says $($status.windows.says)"

$pause = & $cli pause 36 --agree --json | ConvertFrom-Json
if ($LASTEXITCODE -ne 0) { throw "pause ended with $LASTEXITCODE" }
$values = Get-ItemProperty $settings
if ($values.FlightSettingsMaxPauseDays -ne 36) { throw "FlightSettingsMaxPauseDays is $($values.FlightSettingsMaxPauseDays)" }
foreach ($name in $starts + $ends) { if (-not $values.$name) { throw "$name is missing" } }
if (($starts | ForEach-Object { $values.$_ } | Select-Object -Unique).Count -ne 1) { throw 'the start values differ' }
if (($ends | ForEach-Object { $values.$_ } | Select-Object -Unique).Count -ne 1) { throw 'the end values differ' }
if ($values.PauseUpdatesExpiryTime -notlike "$($pause.pausedUntil)*" -and -not $pause.paused) { throw 'pause did not report the pause' }
"paused until $($pause.pausedUntil): $($values.PauseUpdatesStartTime) .. $($values.PauseUpdatesExpiryTime)"

& $cli resume --json | Out-Host
if ($LASTEXITCODE -ne 0) { throw "resume ended with $LASTEXITCODE" }
$left = Get-ItemProperty $settings
foreach ($name in @('FlightSettingsMaxPauseDays') + $starts + $ends) { if ($null -ne $left.$name) { throw "$name is still there" } }

# Administrators own the install folder; its list is protected and gives Users read and execute only.
$acl = Get-Acl $folder
if ($acl.Owner -ne 'BUILTIN\Administrators') { throw "the install folder's owner is $($acl.Owner)" }
if (-not $acl.AreAccessRulesProtected) { throw "the install folder inherits its access list" }
$acl.Access | Format-Table IdentityReference, FileSystemRights, IsInherited -AutoSize | Out-Host
if ($acl.Access | Where-Object { $_.IdentityReference -match 'Users$' -and $_.FileSystemRights -match 'Write|Modify|FullControl' }) {
    throw 'users can change the install folder'
}
$task = Get-ScheduledTask -TaskPath '\Lullgate\' -TaskName Reminders
if ($task.Principal.GroupId -notmatch 'Users' -or $task.Principal.RunLevel -ne 'Limited') { throw 'the reminder task runs with more than least privilege' }
