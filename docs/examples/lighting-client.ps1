# An example client of Ostrak's lighting interface (docs/lighting-interface.md),
# in Windows PowerShell with nothing to install.
#
# Greets Ostrak, shows the keyboard's effects, switches to the per-key effect
# and colours the keys given (default: W, A, S and D red).
#
#   powershell -File lighting-client.ps1
#   powershell -File lighting-client.ps1 -Keys @{ W = 'ff0000'; Space = '0000ff' }
param([hashtable]$Keys = @{ W = 'ff0000'; A = 'ff0000'; S = 'ff0000'; D = 'ff0000' })

$pipe = New-Object System.IO.Pipes.NamedPipeClientStream('.', 'ostrak-lighting', [System.IO.Pipes.PipeDirection]::InOut)
$pipe.Connect(2000)
$utf8 = New-Object System.Text.UTF8Encoding($false)
$reader = New-Object System.IO.StreamReader($pipe, $utf8)
$writer = New-Object System.IO.StreamWriter($pipe, $utf8)
$writer.NewLine = "`n"
$writer.AutoFlush = $true
$script:id = 0

# Sends one request and returns its reply; events that come first are printed.
function Send-Request([string]$request, [hashtable]$fields = @{}) {
  $script:id++
  $message = @{ id = $script:id; request = $request } + $fields
  $writer.WriteLine(($message | ConvertTo-Json -Compress -Depth 5))
  while ($true) {
    $line = $reader.ReadLine() | ConvertFrom-Json
    if ($line.id -eq $script:id) {
      if (-not $line.ok) { throw "$($line.error.code): $($line.error.text)" }
      return $line
    }
    Write-Host "event: $($line | ConvertTo-Json -Compress -Depth 5)"
  }
}

$hello = Send-Request 'hello' @{ major = 1 }
Write-Host "protocol $($hello.protocol.major).$($hello.protocol.minor)"
if ($null -eq $hello.keyboard) { Write-Host 'no keyboard is attached'; exit 1 }
$offered = $hello.keyboard.effects | ForEach-Object { $_.effect }
Write-Host "effects: $($offered -join ', ')"

if ($offered -contains $hello.keyboard.perKeyEffect) {
  Send-Request 'set' @{ effect = $hello.keyboard.perKeyEffect } | Out-Null
}
$reply = Send-Request 'set_keys' @{ keys = $Keys }
Write-Host "coloured $($Keys.Keys -join ', '): $($reply.changedFrames) frames changed"
$pipe.Dispose()
