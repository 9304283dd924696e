// Sending any file of the user's disk to the server page as it is (not encrypted), as a page does with
// an attachment. The control answers with the server name when the post went through, and with an
// empty text for a file that does not exist, without sending anything.
//
//   verolin serve --data ./data &
//   verolin run examples/client-upload.js -- http://127.0.0.1:8080/page

function expect(what, actual, wanted) {
  if (actual !== wanted) throw new Error(what + ": got \"" + actual + "\", expected \"" + wanted + "\"");
}

control.ActiveForm = host.args[0] || "http://127.0.0.1:8080/page";
host.file.write("c:\\data\\名单.csv", "姓名,部门\r\n张三,办公室\r\n李四,财务处\r\n");

expect("uploaded", control.UploadClientFileToServer("c:\\data\\名单.csv", "uploads/staff.csv"), "uploads/staff.csv");
expect("missing file", control.UploadClientFileToServer("c:\\data\\nothing.csv", "uploads/nothing.csv"), "");
host.print("sent c:\\data\\名单.csv as uploads/staff.csv");
