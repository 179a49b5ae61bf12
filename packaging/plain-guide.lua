-- The players' guide as plain text: a title and a list of contents on top, numbered chapters
-- underlined with "=", their sections with "-", since plain text has no other way to show them.
local function underlined(text, mark)
  return pandoc.Plain({pandoc.Str(text), pandoc.LineBreak(),
                       pandoc.Str(string.rep(mark, utf8.len(text)))})
end

function Pandoc(doc)
  local blocks, contents, chapter = {}, {}, 0
  for _, block in ipairs(doc.blocks) do
    if block.t == "Header" and block.level == 1 then
      chapter = chapter + 1
      local text = chapter .. ". " .. pandoc.utils.stringify(block)
      table.insert(contents, {pandoc.Plain({pandoc.Str(text)})})
      block = underlined(text, "=")
    elseif block.t == "Header" then
      block = underlined(pandoc.utils.stringify(block), "-")
    end
    table.insert(blocks, block)
  end
  local title = pandoc.utils.stringify(doc.meta.title or "")
  table.insert(blocks, 1, underlined(title, "="))
  table.insert(blocks, 2, pandoc.BulletList(contents))
  return pandoc.Pandoc(blocks, doc.meta)
end
