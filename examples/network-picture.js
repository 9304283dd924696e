// A picture from the network in a new document: the page first sends a picture to the server as a
// client file, then asks the control to fetch it by its address and insert it at the cursor.
//
//   verolin serve --data ./data &
//   verolin run examples/network-picture.js -- http://127.0.0.1:8080/page

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

var page = host.args[0] || "http://127.0.0.1:8080/page";
var site = page.match(/^https?:\/\/[^\/]+/)[0];
control.ActiveForm = page;

// A one-pixel PNG picture, put on the server as a client file.
host.file.write("c:\\pictures\\dot.png", new Uint8Array([
  0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
  0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4,
  0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00,
  0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE,
  0x42, 0x60, 0x82]));
expect("picture on the server", control.UploadClientFileToServer("c:\\pictures\\dot.png", "pictures/dot.png"),
       "pictures/dot.png");

control.AddNewDocument();
host.word.Selection.TypeText("附图：");
expect("fetched and inserted", control.GetNetPicture(site + "/clientfiles/pictures/dot.png"), true);
expect("one picture in the document", host.word.ActiveDocument.InlineShapes.Count, 1);
host.word.ActiveDocument.Save();
control.WordClose(false, true);
host.print("picture inserted from " + site + "/clientfiles/pictures/dot.png");
