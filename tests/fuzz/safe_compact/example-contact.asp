<%@ LANGUAGE="VBSCRIPT" %>
<html>
<head>
<title>Find us - Millbrook Bakery</title>
<meta name="GENERATOR" content="Microsoft FrontPage Express 2.0">
<script language="JavaScript">
  // Warns before an empty message is sent.
  function checkForm(form) {
    if (form.message.value.length < 1) {
      alert("Please   write   a message first.");
      return false;
    }
    return true;
  }
</script>
</head>
<body>
  <h1>Find   us</h1>
  <p>
    Millbrook Bakery,
    4 Mill Lane,
    Millbrook
  </p>
  <form  method="post"  action="contact.asp"  onsubmit="return checkForm(this)">
    <p>Your   message:</p>
    <textarea  name="message"  rows="5"  cols="40"></textarea>
    <p><input  type="submit"  value="Send   it"></p>
  </form>
  <p>Sent   today: <%= Application("Messages") %></p>
</body>
</html>
