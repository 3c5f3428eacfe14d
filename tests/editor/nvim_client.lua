-- Neovim's own LSP client against quorvel --lsp: diagnostics on opening, a jump to
-- a label in another file, a rename. What it saw goes to $QVL_OUT as JSON.
local quorvel, folder, out = os.getenv('QVL_QUORVEL'), os.getenv('QVL_FOLDER'), os.getenv('QVL_OUT')
local result = {}
local function main()
vim.lsp.set_log_level(os.getenv('QVL_LSP_LOG') or 'warn')
vim.opt.fileencodings = 'cp932'
vim.opt.fileformats = 'dos'
vim.cmd('edit ' .. folder .. '/autorun.txt')
local client = vim.lsp.start_client({ name = 'quorvel', cmd = { quorvel, '--lsp' }, root_dir = folder })
vim.lsp.buf_attach_client(0, client)

vim.wait(15000, function() return #vim.diagnostic.get(0) >= 2 end, 20)
vim.wait(500)  -- anything more would arrive by now
result.diagnostics = {}
for _, d in ipairs(vim.diagnostic.get(0)) do
  local code = d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code)
  table.insert(result.diagnostics, { line = d.lnum, code = code })
end

-- On ":start" of "_goto :start,second.txt".
vim.api.nvim_win_set_cursor(0, { 5, 8 })
vim.lsp.buf.definition()
vim.wait(10000, function() return vim.api.nvim_buf_get_name(0):match('second%.txt$') ~= nil end, 20)
result.definition = { file = vim.fn.fnamemodify(vim.api.nvim_buf_get_name(0), ':t'),
                      line = vim.api.nvim_win_get_cursor(0)[1] }

-- Without a plugin, each buffer is attached by hand (lspconfig does it on FileType).
vim.lsp.buf_attach_client(0, client)
vim.lsp.buf.rename('begin')
vim.wait(10000, function() return vim.api.nvim_get_current_line() == ':begin' end, 20)
vim.cmd('silent wall')
result.renamed = vim.api.nvim_get_current_line()

vim.lsp.stop_client(client)
end

local ok, err = xpcall(main, debug.traceback)
if not ok then result.error = err end
local f = io.open(out, 'w')
f:write(vim.fn.json_encode(result))
f:close()
vim.cmd('qall!')
