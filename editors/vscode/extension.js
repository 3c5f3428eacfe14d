// The editor's side: starts `quorvel --lsp` for the scenario folder and shows
// what it says through the editor's own providers, and lets `quorvel --dap` be
// the debugger of "quorvel" launch configurations.
'use strict';
const vscode = require('vscode');
const { Connection } = require('./lsp_connection');

let connection;

function quorvelPath() {
  return vscode.workspace.getConfiguration('quorvel').get('path') || 'quorvel';
}

// Scripts are the quorvel language, or any .txt of a folder holding qvl.cfg.
const selector = [{ language: 'quorvel' }, { scheme: 'file', pattern: '**/*.txt' }];

function served(document) {
  return document.uri.scheme === 'file' && vscode.languages.match(selector, document) > 0;
}

const position = (p) => ({ line: p.line, character: p.character });
const toPosition = (p) => new vscode.Position(p.line, p.character);
const toRange = (r) => new vscode.Range(toPosition(r.start), toPosition(r.end));
const toLocation = (l) => new vscode.Location(vscode.Uri.parse(l.uri), toRange(l.range));
const at = (document, p) => ({ textDocument: { uri: document.uri.toString() }, position: position(p) });

function activate(context) {
  const folder = vscode.workspace.workspaceFolders && vscode.workspace.workspaceFolders[0];
  connection = new Connection(quorvelPath(), ['--lsp'], { cwd: folder ? folder.uri.fsPath : undefined });
  const ready = connection.request('initialize', {
    processId: process.pid,
    rootUri: folder ? folder.uri.toString() : null,
    capabilities: { general: { positionEncodings: ['utf-16'] } },
  }).then(() => connection.notify('initialized', {}));

  const diagnostics = vscode.languages.createDiagnosticCollection('quorvel');
  context.subscriptions.push(diagnostics);
  connection.onNotification('textDocument/publishDiagnostics', (p) => {
    diagnostics.set(vscode.Uri.parse(p.uri), p.diagnostics.map((d) => {
      const shown = new vscode.Diagnostic(toRange(d.range), d.message,
        d.severity === 1 ? vscode.DiagnosticSeverity.Error : vscode.DiagnosticSeverity.Warning);
      shown.code = d.code;
      shown.source = d.source;
      return shown;
    }));
  });

  const versions = new Map();
  const fs = require('fs');
  const path = require('path');
  const open = (document) => {
    if (!served(document)) return;
    // A .txt beside qvl.cfg is a script: colour it as one.
    if (document.languageId === 'plaintext' && document.uri.fsPath.toLowerCase().endsWith('.txt') &&
        fs.existsSync(path.join(path.dirname(document.uri.fsPath), 'qvl.cfg'))) {
      vscode.languages.setTextDocumentLanguage(document, 'quorvel');
      return;  // it comes back opened in the script language
    }
    versions.set(document.uri.toString(), document.version);
    ready.then(() => connection.notify('textDocument/didOpen', {
      textDocument: { uri: document.uri.toString(), languageId: document.languageId, version: document.version,
                      text: document.getText() },
    }));
  };
  vscode.workspace.textDocuments.forEach(open);
  context.subscriptions.push(
    vscode.workspace.onDidOpenTextDocument(open),
    vscode.workspace.onDidChangeTextDocument((e) => {
      if (!versions.has(e.document.uri.toString())) return;
      connection.notify('textDocument/didChange', {
        textDocument: { uri: e.document.uri.toString(), version: e.document.version },
        contentChanges: [{ text: e.document.getText() }],
      });
    }),
    vscode.workspace.onDidSaveTextDocument((document) => {
      if (versions.has(document.uri.toString()))
        connection.notify('textDocument/didSave', { textDocument: { uri: document.uri.toString() } });
    }),
    vscode.workspace.onDidCloseTextDocument((document) => {
      if (!versions.delete(document.uri.toString())) return;
      connection.notify('textDocument/didClose', { textDocument: { uri: document.uri.toString() } });
    }));

  const ask = (method, params) => ready.then(() => connection.request(method, params));
  context.subscriptions.push(
    vscode.languages.registerDefinitionProvider(selector, {
      provideDefinition: (d, p) => ask('textDocument/definition', at(d, p)).then((r) => (r ? toLocation(r) : null)),
    }),
    vscode.languages.registerReferenceProvider(selector, {
      provideReferences: (d, p, c) => ask('textDocument/references',
        Object.assign(at(d, p), { context: { includeDeclaration: c.includeDeclaration } }))
        .then((r) => (r || []).map(toLocation)),
    }),
    vscode.languages.registerRenameProvider(selector, {
      prepareRename: (d, p) => ask('textDocument/prepareRename', at(d, p)).then((r) => {
        if (!r) throw new Error('no label here');
        return { range: toRange(r.range), placeholder: r.placeholder };
      }),
      provideRenameEdits: (d, p, newName) => ask('textDocument/rename', Object.assign(at(d, p), { newName }))
        .then((r) => {
          const edit = new vscode.WorkspaceEdit();
          for (const uri of Object.keys(r.changes || {}))
            for (const e of r.changes[uri]) edit.replace(vscode.Uri.parse(uri), toRange(e.range), e.newText);
          return edit;
        }),
    }),
    vscode.languages.registerDocumentSymbolProvider(selector, {
      provideDocumentSymbols: (d) => ask('textDocument/documentSymbol', { textDocument: { uri: d.uri.toString() } })
        .then((r) => (r || []).map((s) => new vscode.DocumentSymbol(s.name, '', s.kind - 1, toRange(s.range),
          toRange(s.selectionRange)))),
    }),
    vscode.languages.registerWorkspaceSymbolProvider({
      provideWorkspaceSymbols: (query) => ask('workspace/symbol', { query }).then((r) => (r || []).map((s) =>
        new vscode.SymbolInformation(s.name, s.kind - 1, s.containerName || '', toLocation(s.location)))),
    }),
    vscode.languages.registerHoverProvider(selector, {
      provideHover: (d, p) => ask('textDocument/hover', at(d, p)).then((r) => (r
        ? new vscode.Hover(new vscode.MarkdownString(r.contents.value), r.range ? toRange(r.range) : undefined)
        : null)),
    }),
    vscode.languages.registerCompletionItemProvider(selector, {
      provideCompletionItems: (d, p) => ask('textDocument/completion', at(d, p)).then((r) => {
        const items = Array.isArray(r) ? r : (r && r.items) || [];
        return items.map((i) => {
          const item = new vscode.CompletionItem(i.label, (i.kind || 1) - 1);
          item.detail = i.detail;
          item.documentation = i.documentation;
          item.filterText = i.filterText;
          if (i.textEdit) {
            item.range = toRange(i.textEdit.range);
            item.insertText = i.textEdit.newText;
          }
          return item;
        });
      }),
    }, '_', ':', '$', '@', ',', ' '),
    vscode.debug.registerDebugAdapterDescriptorFactory('quorvel', {
      createDebugAdapterDescriptor: () => new vscode.DebugAdapterExecutable(quorvelPath(), ['--dap']),
    }));
}

function deactivate() {
  return connection ? connection.stop() : undefined;
}

module.exports = { activate, deactivate };
