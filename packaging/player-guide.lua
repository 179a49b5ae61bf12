-- README.md to the players' README.txt: the introduction, "Installing", "Using Vexillor" and
-- "The command line"; no pictures, no developer sections or build commands, and tables as
-- lists, since a wide table does not wrap in a plain text file.
local drop = {
  ["Trying it out"] = true, ["Building and testing"] = true, ["Layout"] = true,
  ["Making a release"] = true,
}

local function developerIntro(block)
  if block.t == "CodeBlock" then return true end
  local text = pandoc.utils.stringify(block)
  return text:find("build.sh", 1, true) or text:find("apt-get", 1, true)
end

function Pandoc(doc)
  local kept, skipLevel, inIntro = {}, nil, true
  for _, block in ipairs(doc.blocks) do
    if block.t == "Header" then
      if skipLevel and block.level <= skipLevel then skipLevel = nil end
      if block.level >= 2 then inIntro = false end
      if drop[pandoc.utils.stringify(block)] then skipLevel = block.level end
    end
    if not skipLevel and not (inIntro and developerIntro(block)) then
      table.insert(kept, block)
    end
  end
  return pandoc.Pandoc(kept, doc.meta)
end

function Image() return {} end

-- Each row becomes one item: the first cell, a dash, the other cells.
function Table(tbl)
  local items = {}
  for _, body in ipairs(tbl.bodies) do
    for _, row in ipairs(body.body) do
      local inlines = {}
      for i, cell in ipairs(row.cells) do
        if i == 2 then
          table.insert(inlines, pandoc.Space())
          table.insert(inlines, pandoc.Str("—"))
        end
        if i > 1 then table.insert(inlines, pandoc.Space()) end
        for _, b in ipairs(cell.contents) do
          for _, x in ipairs(b.content or {}) do table.insert(inlines, x) end
        end
      end
      table.insert(items, {pandoc.Plain(inlines)})
    end
  end
  return pandoc.BulletList(items)
end
