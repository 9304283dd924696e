// The document commands on an open document: a red header, the menu and toolbars, tracked
// revisions under protection listed, accepted and rejected, print preview, page setup and printing,
// inserted text, picture and table, the version and bookmark dialogs, save-as as a web page and as a
// Word document. The saved file is read back to see the commands' effects. Given a server page, the
// document is then uploaded, and downloaded again to see that the server keeps it as it was.
//
//   verolin run examples/document-commands.js
//   verolin serve --data ./data &
//   verolin run examples/document-commands.js -- http://127.0.0.1:8080/page request.jia

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}
function expectIn(what, text, part) {
  if (text.indexOf(part) < 0) throw new Error(what + ": \"" + part + "\" is missing");
}

host.clock("2026-03-05 09:07:02");
control.AddNewDocument("", "张三", "ZS");
var word = host.word;
var selection = word.Selection;

// The red header at the head of the new document; the body follows it.
control.makeRedHeard();
selection.EndKey(6);
selection.TypeParagraph();
selection.TypeText("关于办公用房调整的请示。请审阅以下内容。");
expect("title and number", word.ActiveDocument.Content.Text.indexOf("(XX)市人民政府请示\r[XX]XX号\r"), 0);
expect("the red rule", word.ActiveDocument.Shapes.Count, 1);

// The menu and the two toolbars; the toolbars always answer false.
control.Menu();
expect("menu bar on", word.CommandBars("Menu Bar").Enabled, true);
control.Menu(false);
expect("reviewing bar", control.ReviewingBar(true), false);
expect("reviewing bar shown", word.CommandBars("Reviewing").Visible, true);
expect("standard bar", control.StandardBar(true), false);

// A first draft under revisions-only protection, listed and then thrown away.
control.AllowOnlyRevisions(true);
selection.TypeText("草稿");
var listed = [];
host.onForm = function (form) {
  listed = form.items("libmsg");
  form.set("libmsg", "ListIndex", 0);
  form.dblclick("libmsg");
  form.click("cmdok");
};
control.RevisionsInfo();
expect("one revision listed", listed.join("|"), "1.张三 2026/3/5 9:07:00增加");
host.onMessageBox = null;
control.UnlockOnlyRevisions("wrong");
expect("still protected", word.ActiveDocument.ProtectionType, 0);
control.UnlockOnlyRevisions("fesu31");
expect("unprotected", word.ActiveDocument.ProtectionType, -1);
control.RevisionsAll(false);
expect("draft rejected", word.ActiveDocument.Revisions.Count, 0);

// The reviewer deletes two words and adds a sentence; the deletion is accepted in the selection.
expect("reviewer", control.ChangeUserName("审核人"), true);
control.ShowRevisions(true);
var at = word.ActiveDocument.Content.Text.indexOf("以下");
selection.SetRange(at, at + 2);
selection.Delete();
selection.EndKey(6);
selection.TypeText("拟同意。");
control.RevisionsInfo();
expect("two revisions listed", listed.length, 2);
expectIn("a deletion", listed[0], "1.审核人 2026/3/5 9:07:00删除");
expectIn("an insertion", listed[1], "2.审核人 2026/3/5 9:07:00增加");
selection.SetRange(at, at + 2);
control.RevisionsAction(true);
expect("one revision left", word.ActiveDocument.Revisions.Count, 1);

// Form protection refuses typing until it is lifted.
control.DocProtect();
var refused = false;
try {
  control.InsertUserText("不能输入");
} catch (e) {
  refused = true;
}
expect("typing refused", refused, true);
control.UnlockOnlyRevisions("fesu31");

// Preview (closed again by the user), page setup displayed only, printing without a dialog.
control.PrintView();
expect("in print preview", word.PrintPreview, true);
word.PrintPreview = false;
var leftMargin = word.ActiveDocument.PageSetup.LeftMargin;
host.onDialog = function (dialog) {
  if (dialog.id === 178) dialog.fields.LeftMargin = 20;
  if (dialog.id === 129) {
    dialog.fields.NumRows = 2;
    dialog.fields.NumColumns = 3;
  }
  if (dialog.id === 1007) dialog.fields.Comments = "审核稿";
  if (dialog.id === 168) dialog.fields.Name = "批示";
  return true;
};
control.PrintSetPage();
expect("page setup only displayed", word.ActiveDocument.PageSetup.LeftMargin, leftMargin);
control.Print_Out();

// Inserted text, a picture and a table; a version saved, the versions listed, a bookmark set.
control.InsertUserText("（完）");
host.file.write("c:\\pictures\\dot.png", new Uint8Array([
  0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
  0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4,
  0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00,
  0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE,
  0x42, 0x60, 0x82]));
control.InsertPicture("c:\\pictures\\dot.png");
expect("picture inserted", word.ActiveDocument.InlineShapes.Count, 1);
selection.EndKey(6);
selection.TypeParagraph();
expect("table", control.InsertTable(), true);
expect("save version", control.FileSaveVersion(), false);
expect("versions", control.VersionManage(), false);
expect("bookmark", control.Bookmark(), false);
expect("bookmark set", word.ActiveDocument.Bookmarks.Count, 1);
host.onDialog = null;

// Save-as: a web page under the working folder's temp.htm, then a Word document under a new name.
var page = host.ref("");
control.FileSaveAs(1, page);
expect("web page name", page.value, "c:\\temp\\temp.htm");
expectIn("web page", host.file.read(page.value), "（完）");
var copy = host.ref("");
control.FileSaveAs(0, copy);
expect("name left empty", copy.value, "");
expect("new working copy", control.LocalFile.indexOf("c:\\temp\\2026359"), 0);

// Back under revisions-only protection, saved; the file shows every command's effect.
control.AllowOnlyRevisions(true);
word.ActiveDocument.Save();
var rtf = host.file.read(control.LocalFile);
expectIn("revision protection", rtf, "\\revprot");
expectIn("tracked insertion", rtf, "\\revised\\revauth");
expectIn("red rule", rtf, "{\\sn lineColor}{\\sv 255}");
expectIn("3-point rule", rtf, "{\\sn lineWidth}{\\sv 38100}");
expectIn("picture", rtf, "{\\pict");
expectIn("table", rtf, "\\trowd");
host.print("saved " + control.LocalFile + ": " + word.ActiveDocument.Content.Text.replace(/\r/g, " / "));

var page = host.args[0];
if (page) {
  control.ActiveForm = page;
  control.GetSetType = "1";
  control.ServerFilePath = host.args[1] || "request.jia";
  control.UploadFileToServer("");
  expect("word processor quit after the upload", host.word, null);
  control.DownFileFromServer();
  var kept = host.word.ActiveDocument;
  expect("kept: protection", kept.ProtectionType, 0);
  // The tracked table comes back as one revision per row, so only their presence is compared.
  expect("kept: tracked revisions", kept.Revisions.Count > 0, true);
  expect("kept: red rule", kept.Shapes.Count, 1);
  expectIn("kept: header", kept.Content.Text, "(XX)市人民政府请示");
  host.print("uploaded to " + page + " as " + control.ServerFilePath + " and read back");
}
control.WordClose(false, true);
