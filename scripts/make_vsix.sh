#!/usr/bin/env bash
# Packs editors/vscode into a .vsix (a zip with the two manifests the editor
# reads) without any download: the extension has no dependencies to fetch.
#   scripts/make_vsix.sh OUTDIR     writes OUTDIR/quorvel-scenario-VERSION.vsix
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
src="$root/editors/vscode"
out="$(mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)"
command -v zip >/dev/null || { echo "make_vsix: zip is missing (scripts/setup.sh installs it)" >&2; exit 1; }

read -r name version publisher display engine < <(python3 -c '
import json, sys
p = json.load(open(sys.argv[1]))
print(p["name"], p["version"], p["publisher"], p["displayName"].replace(" ", "\u00a0"), p["engines"]["vscode"])
' "$src/package.json")
display="${display//$'\u00a0'/ }"

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/extension"
(cd "$src" && cp -r package.json extension.js lsp_connection.js language-configuration.json README.md syntaxes \
  "$stage/extension/")

cat > "$stage/[Content_Types].xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
  <Default Extension=".json" ContentType="application/json"/>
  <Default Extension=".js" ContentType="application/javascript"/>
  <Default Extension=".md" ContentType="text/markdown"/>
  <Default Extension=".vsixmanifest" ContentType="text/xml"/>
</Types>
XML
cat > "$stage/extension.vsixmanifest" <<XML
<?xml version="1.0" encoding="utf-8"?>
<PackageManifest Version="2.0.0" xmlns="http://schemas.microsoft.com/developer/vsx-schema/2011" xmlns:d="http://schemas.microsoft.com/developer/vsx-schema-design/2011">
  <Metadata>
    <Identity Language="en-US" Id="$name" Version="$version" Publisher="$publisher"/>
    <DisplayName>$display</DisplayName>
    <Description xml:space="preserve">Scenario scripts for Quorvel: colouring, errors as you type, labels, and a debugger.</Description>
    <Categories>Programming Languages,Debuggers</Categories>
    <Properties>
      <Property Id="Microsoft.VisualStudio.Code.Engine" Value="$engine"/>
      <Property Id="Microsoft.VisualStudio.Code.ExtensionKind" Value="workspace"/>
    </Properties>
  </Metadata>
  <Installation>
    <InstallationTarget Id="Microsoft.VisualStudio.Code"/>
  </Installation>
  <Dependencies/>
  <Assets>
    <Asset Type="Microsoft.VisualStudio.Code.Manifest" Path="extension/package.json" Addressable="true"/>
    <Asset Type="Microsoft.VisualStudio.Services.Content.Details" Path="extension/README.md" Addressable="true"/>
  </Assets>
</PackageManifest>
XML

target="$out/$name-$version.vsix"
rm -f "$target"
# Fixed times and order: the same sources make the same package.
find "$stage" -exec touch -d 2000-01-01T00:00:00Z {} +
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | zip -q -X "$target" -@)
echo "$target"
